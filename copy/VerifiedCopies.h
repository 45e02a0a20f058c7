// The copies proved on their destination since the program started, by source file: what Delete
// asks about before it removes a photo that has none.
#pragma once

#include <string>
#include <unordered_map>

#include "platform/files.h"

namespace pixferry {

class VerifiedCopies {
 public:
  void Add(const std::string& source, const FileStamp& stamp) { stamps_[source] = stamp; }
  // True when source had a verified copy made while it was as it is now (same size and time of
  // last change): a photo changed or put back since has none.
  bool Covers(const std::string& source, const FileStamp& now) const {
    const auto found = stamps_.find(source);
    return found != stamps_.end() && found->second == now;
  }

 private:
  std::unordered_map<std::string, FileStamp> stamps_;
};

}  // namespace pixferry
