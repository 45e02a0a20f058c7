// A way to make file operations fail on real files, for the tests of failure paths; it undoes
// itself when it goes out of scope.
#pragma once

#include <string>

namespace pixferry::testing {

// Holds the file at path as a running copy holds its temporary, from an open file of its own, as
// another program would: locked on POSIX, open without sharing on Windows.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path);
  ~HeldLock();
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  bool ok() const { return ok_; }

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // the file's HANDLE
#else
  int fd_ = -1;
#endif
  bool ok_ = false;
};

}  // namespace pixferry::testing
