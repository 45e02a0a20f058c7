// The copies proved on their destination since the program started, by source file: what Delete
// asks about before it removes a photo that has none, and the copies it reads again first.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/sha256.h"

namespace pixferry {

// One proved copy of a source.
struct ProvedCopy {
  std::string path;  // the copy's full path
  Digest digest{};   // SHA-256 of the bytes the copy was proved to hold
};

class VerifiedCopies {
 public:
  // A copy of source, proved at copy while source had stamp. A source changed since its earlier
  // copies were proved keeps only the copies of what it is now.
  void Add(const std::string& source, const FileStamp& stamp, std::string copy,
           const Digest& digest) {
    std::vector<ProvedCopy>& copies = Proof(source, stamp);
    std::erase_if(copies, [&](const ProvedCopy& c) { return c.path == copy; });
    copies.push_back({std::move(copy), digest});
  }
  // True when source had a verified copy made while it was as it is now (same size, times of
  // last change and of change): a photo changed or put back since has none.
  bool Covers(const std::string& source, const FileStamp& now) const {
    return !CopiesOf(source, now).empty();
  }
  // The copies proved of source while it was as it is now.
  const std::vector<ProvedCopy>& CopiesOf(const std::string& source, const FileStamp& now) const {
    static const std::vector<ProvedCopy> kNone;
    const auto found = proofs_.find(source);
    return found != proofs_.end() && found->second.stamp == now ? found->second.copies : kNone;
  }

 private:
  struct Proved {
    FileStamp stamp;
    std::vector<ProvedCopy> copies;
  };

  std::vector<ProvedCopy>& Proof(const std::string& source, const FileStamp& stamp) {
    Proved& proved = proofs_[source];
    if (!(proved.stamp == stamp)) proved = {stamp, {}};
    return proved.copies;
  }

  std::unordered_map<std::string, Proved> proofs_;
};

}  // namespace pixferry
