#include "tests/support/faults.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace pixferry::testing {

#ifndef _WIN32

HeldLock::HeldLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  ok_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

HeldLock::~HeldLock() {
  if (fd_ >= 0) ::close(fd_);
}

#else

HeldLock::HeldLock(const std::string& path)
    : handle_(::CreateFileW(std::filesystem::path(std::u8string(path.begin(), path.end())).c_str(),
                            GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {
  ok_ = handle_ != INVALID_HANDLE_VALUE;
}

HeldLock::~HeldLock() {
  if (ok_) ::CloseHandle(handle_);
}

#endif

}  // namespace pixferry::testing
