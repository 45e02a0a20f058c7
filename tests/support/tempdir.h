// Fresh temporary folders for tests that touch real files, and the guard every deleting test
// goes through: nothing outside a folder made here is ever removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/sha256.h"

namespace pixferry::testing {

using Names = std::vector<std::string>;

class TempDir {
 public:
  TempDir();   // a new empty folder under the system's temporary folder
  ~TempDir();  // removes it (through the guard)
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + separator + relative (relative may hold '/' which becomes the separator).
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// Refuses (aborts the test program) unless path lies inside a folder that TempDir made.
void GuardDeletion(const std::string& path);

// File helpers; folders are created as needed.
void WriteFile(const std::string& path, std::string_view content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeFolders(const std::string& path);
// A symbolic link at link to target, as a card prepared on Linux holds it (under Wine, a Unix link
// made by the Unix ln, which Wine runs); false where none can be made.
bool MakeLink(const std::string& target, const std::string& link);
// Every name in a folder, sorted, hidden ones included so that a leftover temporary file shows;
// none for a folder that does not exist.
Names AllNames(const std::string& folder);
// The names the program's own listing of pattern gives with mask, sorted; the listing must end
// without an error.
Names ListNames(const std::string& pattern, int mask);
// Gives a file Windows' hidden attribute, and its system attribute too when asked; elsewhere a
// leading dot is what hides a name, and nothing is done.
void HideOnWindows(const std::string& path, bool system_file = false);
// One 255-byte record of paths.dat holding text: its length (two bytes, low first), the text, and
// zero bytes after it.
std::string RecordBytes(std::string_view text);
// A small valid baseline JPEG: 8 x 8 pixels of grey.
std::string JpegBytes();
// The SHA-256 of bytes.
Digest Sha256Of(std::string_view bytes);

// The platform's answers, a test failure when it cannot give them: the current directory, the
// stamp of the file at path, whether FindEntry finds pattern.
std::string CurrentFolder();
FileStamp StampAt(const std::string& path);
bool Finds(const std::string& pattern, int mask);

// Makes the current directory a folder for the lifetime of the object (paths.dat lives there).
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& path);
  ~ScopedCurrentDirectory();
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::string previous_;
};

// Sets an environment variable (nullptr: unsets it) for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const char* value) const;
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace pixferry::testing
