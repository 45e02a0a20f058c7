// File-system services of the platform layer. Paths are UTF-8. An operation that can fail returns
// 0 or a run-time error number; a handler that traps wraps it in ThrowIfError.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixferry {

#ifdef _WIN32
inline constexpr char kSep = '\\';
#else
inline constexpr char kSep = '/';
#endif

// Attribute bits, as a listing mask and as the result of ReadAttributes.
namespace attr {
inline constexpr int kNormal = 0;
inline constexpr int kReadOnly = 1;
inline constexpr int kHidden = 2;
inline constexpr int kSystem = 4;
inline constexpr int kDirectory = 16;
inline constexpr int kArchive = 32;
// A symbolic link, junction or other reparse point. Set together with kDirectory when the link
// leads to a folder; walks that must never leave their tree test it.
inline constexpr int kLink = 1024;
}  // namespace attr

// One folder listing, the one primitive every walk uses. The pattern is a folder followed by the
// separator and a name pattern ("*", "*.*", "IMG_*.JPG"), a folder followed by the separator alone
// (every name), or a bare path (that one entry, or nothing; on POSIX a named entry is not hidden
// by its leading "."). The mask selects what comes back:
// 0 ordinary files only (read-only and archived included), kDirectory adds folders (and the
// entries "." and ".." of a listed folder), kHidden and kSystem add those entries.
// A folder that does not exist lists as empty; a listing that fails part-way ends there and
// error() tells why, so a name is never repeated.
class Listing {
 public:
  Listing(std::string_view pattern, int mask);
  ~Listing();
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  Listing(Listing&&) noexcept;
  Listing& operator=(Listing&&) noexcept;

  // The next matching name without its folder, or nothing at the end or after a failure.
  std::optional<std::string> Next();
  // 0, or the run-time error number that ended (or prevented) the listing.
  int error() const noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// True when the listing of pattern with mask returns at least one name ("is there such a folder?").
// On POSIX a path that does not end in the separator is looked up exactly as written: "*" and "?"
// are plain characters there, and a name beginning with "." is found like any other.
// Throws RuntimeError when the listing fails.
bool ListingFindsEntry(std::string_view pattern, int mask);

// Wildcard match of one name against a name pattern with '*' and '?', as the listing applies it.
// "*" and "*.*" match every name. Case-sensitive on POSIX, case-insensitive on Windows.
bool MatchesNamePattern(std::string_view name, std::string_view pattern) noexcept;

int TryReadAttributes(const std::string& path, int& attributes) noexcept;

int TryMakeFolder(const std::string& path) noexcept;

// The process's current directory, exactly as the platform reports it (a root keeps its separator).
std::string CurrentDirectory();

// When a file was last changed and how big it was: what a verified copy remembers of its source,
// so that a photo changed since can be told from the one that was copied.
struct FileStamp {
  unsigned long long size = 0;
  long long modified = 0;  // nanoseconds since the platform's epoch
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Size and time of last change of a file, following no link; nothing when path is no file.
std::optional<FileStamp> StampOf(const std::string& path) noexcept;

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
