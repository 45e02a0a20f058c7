// Whole-file copies proved on their destination's storage before they take their names, and the
// cleaning of what a killed run left.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/sha256.h"

namespace pixferry {

// What became of one copy of a job.
struct CopyOutcome {
  std::size_t number = 0;  // the copy's place among the job's Adds, from 0
  std::string source;
  std::string destination;
  // True when the copy, read back from the destination's storage, held exactly the bytes read
  // from the source, has its final name on the storage, and its line is in the hash list.
  bool verified = false;
  // 0, or the run-time error number that stopped this copy. 58: the name was taken meanwhile;
  // the copy, proved, waits for another name (CopyJob::Rename). A copy neither verified nor
  // failed differs from its source (or changed on it meanwhile, or is the source itself): it was
  // removed.
  int error = 0;
  FileStamp stamp;  // the source's, as it was opened
  Digest digest{};  // the SHA-256 of the source's bytes as they were read
};

// How far reading the sources may run ahead of the checks: at most this many copies, or bytes,
// written and not yet proved. Each copy in flight holds two files open and its bytes in the
// system's cache until it is flushed, and a copy found wrong is told this late at most. The
// checks take what was written while they checked the last batch, so where the destination keeps
// up these bounds are never reached and the copy is told about a photo or two after it was read;
// they are large enough for the reading of the card to go on through a slow flush (128 MiB is
// 1.6 s of a card at 80 MB/s), and half of them makes a batch whose flushes are shared by many
// small photos.
struct CopyJobLimits {
  std::size_t files = 128;
  unsigned long long bytes = 128ull << 20;
};

// The case folder the copies go into, whose hash list beside it records each proved copy.
struct CaseList {
  std::string root;  // the destination root
  std::string name;  // the case folder's name in it
};

// Whole-file copies, each source read once. Add reads a source on the calling thread into a
// hidden temporary beside its destination, no longer than the final name and locked (flock on
// POSIX, no sharing on Windows) while it exists, so that CleanLeftovers can tell a killed run's
// temporaries from a live one's, and takes the SHA-256 of the bytes as they are written. A
// thread of the job's own meanwhile takes every copy written so far: flushes them to stable
// storage (once for the file system where one flush reaches every file, otherwise one by one),
// reads each back from the storage itself (not the cache) and hashes it; only a copy whose hash
// is the source's, and whose source still has the size and time of change it was opened with,
// gets its own attributes and then its final name. The names are flushed, the proved copies'
// lines added to the hash list, and only then are they reported verified. So no final name ever
// holds a partial or wrong file, no file is replaced before its replacement is proved, and the
// source is never waited on for the destination's flushes and reads.
class CopyJob {
 public:
  // keep_alive is called on the calling thread between chunks of a large file and while the job
  // waits for its checks, so that a long copy can keep its window alive. With list, a proved copy
  // counts only once its line is in that case folder's hash list; copies then go into that case
  // folder.
  explicit CopyJob(CopyJobLimits limits = {}, std::function<void()> keep_alive = {},
                   std::optional<CaseList> list = std::nullopt);
  // Abandons what is still in flight; a copy waiting for a name is removed.
  ~CopyJob();
  CopyJob(const CopyJob&) = delete;
  CopyJob& operator=(const CopyJob&) = delete;

  // Writes a copy of source for destination and hands it to the checks, after waiting while the
  // limits are reached. A destination that is the source itself (the same file, not through a
  // link) stays untouched and is never verified. Throws RuntimeError; a failed copy leaves
  // nothing behind.
  void Add(const std::string& source, const std::string& destination);
  // Gives copy number, proved but whose name was taken (58), another name in the same folder.
  void Rename(std::size_t number, const std::string& destination);
  // True when a copy in flight is for destination; on a folder that ignores case, a name equal
  // but for case is the same name.
  bool Holds(const std::string& destination) const;
  // True when the limits are reached: the next Add would wait.
  bool Full() const;
  // The outcomes of the copies finished since the last call, in the order they were added (a
  // renamed copy's after those added before its new name).
  std::vector<CopyOutcome> TakeFinished();
  // The same, after waiting until a copy finishes, unless one has or none is in flight.
  std::vector<CopyOutcome> AwaitFinished();
  // Waits until every copy added has finished; gives the outcomes not yet taken.
  std::vector<CopyOutcome> Finish();
  // Ends the job at once: no copy not yet proved takes its name, and each is removed; copies
  // named already keep their names and get their lines. Gives the outcomes not yet taken, of the
  // copies finished (proved ones included); the copies removed have none.
  std::vector<CopyOutcome> Abandon();

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

}  // namespace pixferry
