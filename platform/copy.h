// Whole-file copies proved on their destination's storage before they take their names, and the
// cleaning of what a killed run left.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace pixferry {

// What became of one copy of a group at Commit().
struct CopyOutcome {
  std::string source;
  std::string destination;
  // True when the copy, read back from the destination's storage, held exactly the bytes of the
  // source and now has its final name.
  bool verified = false;
  // 0, or the run-time error number that stopped this copy (58: the name was taken meanwhile).
  // A copy neither verified nor failed differs from its source: it was removed.
  int error = 0;
  FileStamp stamp;  // the source's, as it was copied
};

// The limits of one group: the copies are flushed and read back together once either is reached.
struct CopyGroupLimits {
  std::size_t files = 2048;
  unsigned long long bytes = 512ull << 20;
};

// Whole-file copies made in groups, for copying many files in one go. Each copy is written under
// a hidden temporary name beside its destination, no longer than the final name, and locked
// (flock on POSIX, no sharing on Windows) while it exists, so that CleanLeftovers can tell a
// killed run's temporaries from a live one's. Commit() flushes the group to stable storage at
// once, then reads every copy back from the storage itself (not the cache) and compares it with
// its source; only a copy that matches takes its final name, and one failure never discards
// another copy. So no final name ever holds a partial or wrong file, no file is replaced before
// its replacement is proved, and the flush is paid once per group. Copies not committed are
// removed when the group ends.
class CopyGroup {
 public:
  // between_chunks is called between chunks of a large file and between files, so that a long
  // copy can keep its window alive.
  explicit CopyGroup(CopyGroupLimits limits = {}, std::function<void()> between_chunks = {});
  ~CopyGroup();
  CopyGroup(const CopyGroup&) = delete;
  CopyGroup& operator=(const CopyGroup&) = delete;

  // Writes a copy of source for destination. A destination that is the source itself (the same
  // file, not through a link) stays untouched and counts as verified at once. Throws
  // RuntimeError; a failed copy leaves nothing behind.
  void Add(const std::string& source, const std::string& destination);
  // True when a copy waiting in the group is for destination; on a folder that ignores case,
  // a name equal but for case is the same name.
  bool Holds(const std::string& destination) const;
  // True when the group has reached its limits and should be committed.
  bool Full() const noexcept;
  // Flushes, reads back, compares and names the copies; gives what became of each, in the order
  // they were added. Throws RuntimeError when the group could not be flushed: then no copy of it
  // took a name and none is left.
  std::vector<CopyOutcome> Commit();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Removes the temporary copies that a run killed midway left in folder, and only those: a
// hidden file named as this program names its temporaries whose lock can be taken. Gives how
// many were removed. Never fails: what cannot be removed stays.
int CleanLeftovers(const std::string& folder) noexcept;

// True when the name is one a temporary copy of this program has.
bool IsTemporaryName(std::string_view name) noexcept;

// A hint that the files will be read soon; the system may read them ahead meanwhile.
void ReadAheadHint(const std::string& path) noexcept;

}  // namespace pixferry
