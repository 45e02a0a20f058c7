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
  // When the file's entry last changed (POSIX ctime, Windows' ChangeTime), which no program can
  // set back: a photo rewritten in place with its size and time of change put back still differs.
  // 0 where the file system keeps none.
  long long changed = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Size and time of last change of a file, following no link; nothing when path is no file.
std::optional<FileStamp> StampOf(const std::string& path) noexcept;

}  // namespace pixferry
