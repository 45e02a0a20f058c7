// File-system services of the platform layer. Paths are UTF-8; each operation has a non-throwing
// form returning 0 or a run-time error number, and a throwing form for handlers that trap.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

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
int ReadAttributes(const std::string& path);
// Only the value 0 (normal) is used: clears read-only, hidden, system and archive where the
// platform can (POSIX: gives the owner write permission back).
int TryWriteAttributes(const std::string& path, int attributes) noexcept;
void WriteAttributes(const std::string& path, int attributes);

int TryMakeFolder(const std::string& path) noexcept;
void MakeFolder(const std::string& path);
int TryRemoveFolder(const std::string& path) noexcept;  // an empty folder, or a link to one
void RemoveFolder(const std::string& path);
int TryRemoveFile(const std::string& path) noexcept;  // a file or a link to a file
void RemoveFile(const std::string& path);

// True when path is the root of a mounted filesystem (a drive root on Windows).
bool IsMountPoint(const std::string& path) noexcept;

// The process's current directory, exactly as the platform reports it (a root keeps its separator).
std::string CurrentDirectory();

// Copies one whole file. The copy is written under a hidden temporary name in the destination's
// folder, flushed to stable storage and renamed over the destination, so a failed or interrupted
// copy never leaves a partial file under the final name nor destroys the file it was to replace.
// Copying a file onto itself leaves it intact. Throws RuntimeError, 57 when the copy read back
// differs from the source.
void CopyWholeFile(const std::string& source, const std::string& destination);

// Safe whole-file copies made in groups, for copying many files in one go. Each copy is written
// under a hidden temporary name beside its destination; Commit() flushes all the copies made
// since the last commit to stable storage at once, then gives each its final name and flushes
// the folders. So, as with CopyWholeFile, no final name ever holds a partial file and no file is
// replaced before its replacement is safe, while the flush to disk is paid once per group
// instead of once per file. Copies not committed are removed when the group ends.
class CopyGroup {
 public:
  CopyGroup();
  ~CopyGroup();
  CopyGroup(const CopyGroup&) = delete;
  CopyGroup& operator=(const CopyGroup&) = delete;

  // Copies source for destination and reads the copy back: true when it holds exactly the bytes
  // of source. A copy that differs is removed at once and false returned; destination stays as
  // it was. A destination that is the source itself stays untouched and counts as copied.
  // Throws RuntimeError; a failed copy leaves nothing behind.
  [[nodiscard]] bool Copy(const std::string& source, const std::string& destination);
  // Throws RuntimeError; copies that did not get their final name are removed.
  void Commit();
  std::size_t PendingFiles() const noexcept;
  unsigned long long PendingBytes() const noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Size in bytes, or nothing when the path is not a readable file.
std::optional<unsigned long long> FileSize(const std::string& path) noexcept;

// True when copy holds exactly the bytes of original: the same size and the same content. False
// when they differ or either cannot be read.
bool SameFileContent(const std::string& original, const std::string& copy) noexcept;

}  // namespace pixferry
