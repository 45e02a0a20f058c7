// File-system services: the system's own calls come from the file included first; what every
// system shares is written once below it.
#include "platform/files.h"

#include <optional>
#include <string_view>

#include "platform/errors.h"

#ifdef _WIN32
#include "platform/win32/files.inc"
#else
#include "platform/posix/files.inc"
#endif

namespace pixferry {

Listing::~Listing() = default;
Listing::Listing(Listing&&) noexcept = default;
Listing& Listing::operator=(Listing&&) noexcept = default;

int Listing::error() const noexcept {
  return impl_->error;
}

bool ListingFindsEntry(std::string_view pattern, int mask) {
  if (const std::optional<bool> found = FindsWithoutListing(pattern, mask)) return *found;
  Listing listing(pattern, mask);
  const bool found = listing.Next().has_value();
  if (!found && listing.error() != 0) throw RuntimeError(listing.error());
  return found;
}

}  // namespace pixferry
