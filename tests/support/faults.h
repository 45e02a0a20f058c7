// Ways to make file operations fail on real files, for the tests of failure paths. Each undoes
// itself when it goes out of scope.
#pragma once

#include <string>

namespace pixferry::testing {

// True when the tests run with administrator rights, which file permissions do not stop.
bool RunningAsRoot();

// Makes writes that would take a file past bytes fail part-way, as a full disk does (POSIX: the
// file size limit; the signal it raises is ignored meanwhile). ok() is false where unsupported.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
  unsigned long long saved_current_ = 0;
  void (*saved_handler_)(int) = nullptr;
};

// Makes a folder that nothing can be created in or renamed into: read-only for an ordinary user,
// immutable (Linux) for root. ok() is false when this file system cannot do it.
class UnwritableFolder {
 public:
  explicit UnwritableFolder(const std::string& path);
  ~UnwritableFolder();
  UnwritableFolder(const UnwritableFolder&) = delete;
  UnwritableFolder& operator=(const UnwritableFolder&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool ok_ = false;
};

}  // namespace pixferry::testing
