// "Is there such an entry?" in the core's form: a look that fails raises RuntimeError, for the
// handler's error box.
#pragma once

#include <string_view>

#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {

// True when the listing of pattern with mask gives at least one name (FindEntry).
inline bool ListingFindsEntry(std::string_view pattern, int mask) {
  bool found = false;
  ThrowIfError(FindEntry(pattern, mask, found));
  return found;
}

}  // namespace pixferry
