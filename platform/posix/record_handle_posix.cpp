#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/record_handle.h"

namespace pixferry {
namespace {

// ENOENT reads "file not found" in a folder that exists and "path not found" otherwise.
int OpenError(const std::string& path, int e) {
  if (e == EISDIR) return err::kPathFileAccessError;
  if (e != ENOENT) return ErrorFromErrno(e);
  const std::size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? err::kFileNotFound
                                                                 : err::kPathNotFound;
}

}  // namespace

RecordHandle::~RecordHandle() {
  Close();
}

int RecordHandle::OpenForReading(const std::string& path) noexcept {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return OpenError(path, errno);
  // A folder opens for reading here; it is no settings file all the same.
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    Close();
    return err::kPathFileAccessError;
  }
  return 0;
}

int RecordHandle::OpenForWriting(const std::string& path) noexcept {
  Close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  return fd_ < 0 ? OpenError(path, errno) : 0;
}

int RecordHandle::Size(long long& size) noexcept {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return ErrorFromErrno(errno);
  size = st.st_size;
  return 0;
}

int RecordHandle::ReadAt(long long offset, char* bytes, std::size_t count,
                         std::size_t& read) noexcept {
  read = 0;
  while (read < count) {
    const ssize_t n =
        ::pread(fd_, bytes + read, count - read, offset + static_cast<long long>(read));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorFromErrno(errno);
    if (n == 0) break;
    read += static_cast<std::size_t>(n);
  }
  return 0;
}

int RecordHandle::WriteAt(long long offset, const char* bytes, std::size_t count) noexcept {
  std::size_t written = 0;
  while (written < count) {
    const ssize_t n =
        ::pwrite(fd_, bytes + written, count - written, offset + static_cast<long long>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorFromErrno(errno);
    if (n == 0) return err::kDeviceIoError;
    written += static_cast<std::size_t>(n);
  }
  return 0;
}

void RecordHandle::Close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool RecordHandle::IsOpen() const noexcept {
  return fd_ >= 0;
}

}  // namespace pixferry
