#include "tests/support/faults.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace pixferry::testing {

#ifndef _WIN32

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  saved_current_ = limit.rlim_cur;
  saved_handler_ = ::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  if (ok_) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(saved_current_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (saved_handler_ != nullptr) ::signal(SIGXFSZ, saved_handler_);
}

HeldLock::HeldLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  ok_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

HeldLock::~HeldLock() {
  if (fd_ >= 0) ::close(fd_);
}

#else  // _WIN32: no file size limit to be had; the tests that need one skip.

FileSizeLimit::FileSizeLimit(unsigned long long) {}
FileSizeLimit::~FileSizeLimit() = default;

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
