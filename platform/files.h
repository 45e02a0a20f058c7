// File-system services of the platform layer. Paths are UTF-8.
//
// How every header of platform/ reports an error:
// - An operation that can fail returns int: 0 when it did what it says; otherwise the run-time
//   error number of the failure (platform/errors.h), or one of the named answers below where the
//   function's comment names it. Its results come back through out-parameters, set when it
//   returns 0 (or as its comment says).
// - Nothing is thrown for a failure, of the system or of the text given; only std::bad_alloc may
//   leave the platform layer, and a function marked noexcept answers 7 (out of memory) instead. The
//   core turns a number into RuntimeError with ThrowIfError, where its handler traps.
// - A question that can fail ("is there such a folder?") is such an operation too; only what
//   cannot fail answers directly (MatchesNamePattern, the ANSI text).
// - A listing is read as a stream: Next() gives names until the end or a failure, and error()
//   then gives the number. The names given before a failure part-way stay good and are dealt
//   with, so a failure ends the stream instead of taking back what it gave.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixferry {

// The named answers: outcomes a caller decides on, never failures to show as they are. Negative,
// so no run-time number is ever one of them.
inline constexpr int kNotThere = -1;  // no such entry, or not what the caller named
inline constexpr int kFenced = -2;    // a walk met a folder it must never enter

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

// One folder listing by pattern, for the program's lists of names. The pattern is a folder followed
// by the separator and a name pattern ("*", "*.*", "IMG_*.JPG"), a folder followed by the separator
// alone (every name), or a bare path (that one entry, or nothing; on POSIX a named entry is not
// hidden by its leading "."). The mask selects what comes back: 0 ordinary files only (read-only
// and archived included), kDirectory adds folders (and the entries "." and ".." of a listed
// folder), kHidden and kSystem add those entries. A folder that does not exist lists as empty; a
// listing that cannot start, or fails part-way, ends there and error() gives the number, so a name
// is never repeated.
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

// Whether the listing of pattern with mask would give at least one name ("is there such a
// folder?"). On POSIX a path that does not end in the separator is looked up exactly as written:
// "*" and "?" are plain characters there, and a name beginning with "." is found like any other.
int FindEntry(std::string_view pattern, int mask, bool& found) noexcept;

// Wildcard match of one name against a name pattern with '*' and '?', as the listing applies it.
// "*" and "*.*" match every name. Case-sensitive on POSIX, case-insensitive on Windows.
bool MatchesNamePattern(std::string_view name, std::string_view pattern) noexcept;

int ReadAttributes(const std::string& path, int& attributes) noexcept;

// 75 (path/file access error) when something is at path already.
int MakeFolder(const std::string& path) noexcept;

// The process's current directory, exactly as the platform reports it (a root keeps its separator).
int CurrentDirectory(std::string& path) noexcept;

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

// Size and times of change of the file at path; kNotThere when nothing is there or it is no
// regular file.
int StampOf(const std::string& path, FileStamp& stamp) noexcept;

}  // namespace pixferry
