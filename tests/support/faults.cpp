#include "tests/support/faults.h"

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace pixferry::testing {

namespace fs = std::filesystem;

#ifndef _WIN32

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

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

UnwritableFolder::UnwritableFolder(const std::string& path) : path_(path) {
  if (!RunningAsRoot()) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_exec, ec);
    ok_ = !ec;
    return;
  }
#ifdef __linux__
  fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
    flags |= FS_IMMUTABLE_FL;
    ok_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
  }
#endif
}

UnwritableFolder::~UnwritableFolder() {
  if (fd_ >= 0) {
#ifdef __linux__
    int flags = 0;
    if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
      flags &= ~FS_IMMUTABLE_FL;
      ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
    }
#endif
    ::close(fd_);
  } else if (ok_) {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
  }
}

#else  // _WIN32: neither fault can be made the same way; the tests that need them skip.

bool RunningAsRoot() {
  return false;
}
FileSizeLimit::FileSizeLimit(unsigned long long) {}
FileSizeLimit::~FileSizeLimit() = default;
UnwritableFolder::UnwritableFolder(const std::string& path) : path_(path) {}
UnwritableFolder::~UnwritableFolder() = default;

#endif

}  // namespace pixferry::testing
