// The whole-file copy, POSIX side: the bytes go into a hidden temporary file in the destination's
// folder, are flushed to stable storage and only then take the final name, so neither a failure
// nor a crash leaves a partial file there or loses the file being replaced.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {
namespace {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  explicit operator bool() const { return fd_ >= 0; }
  // Closing can report a write error that the writes did not (network file systems do).
  int Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_ = -1;
};

[[noreturn]] void ThrowErrno(int e) {
  throw RuntimeError(ErrorFromErrno(e));
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The temporary file, hidden by its leading dot so that no listing of files returns it; removed
// again unless Keep() is called once it has its final name.
class TempFile {
 public:
  TempFile(const std::string& folder, mode_t mode) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::uint64_t r = (std::uint64_t{random()} << 32) | random();
      static constexpr char kHex[] = "0123456789abcdef";
      std::string name = ".pixferry-";
      for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(r >> shift) & 0xF];
      name += ".tmp";
      std::string candidate = folder + '/' + name;
      const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd >= 0) {
        fd_.Reset(fd);
        path_ = std::move(candidate);
        return;
      }
      if (errno == EEXIST) continue;
      // A missing destination folder reads as "path not found", as it does on Windows.
      if (errno == ENOENT) throw RuntimeError(err::kPathNotFound);
      ThrowErrno(errno);
    }
    throw RuntimeError(err::kPathFileAccessError);
  }
  ~TempFile() {
    fd_.Close();
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  int Close() { return fd_.Close(); }
  void Keep() { path_.clear(); }

 private:
  FileDescriptor fd_;
  std::string path_;
};

// The errors that mean "this way of copying is not available here", not "the copy failed".
bool NotSupported(int e) {
  return e == ENOSYS || e == EXDEV || e == EINVAL || e == EOPNOTSUPP || e == ENOTSUP ||
         e == EBADF || e == EPERM;
}

enum class Step { Copied, Done, Unsupported };

constexpr std::size_t kChunk = std::size_t{1} << 30;

// In-kernel copy between files: no bytes through user space, reflinks where the file system
// offers them.
Step CopyFileRange(int in, int out, bool nothing_yet, off_t size) {
  const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
  if (n > 0) return Step::Copied;
  if (n == 0) {
    // Some file systems answer 0 at the start of a file they cannot copy this way.
    return nothing_yet && size > 0 ? Step::Unsupported : Step::Done;
  }
  if (NotSupported(errno)) return Step::Unsupported;
  ThrowErrno(errno);
}

Step SendFile(int in, int out, bool nothing_yet, off_t size) {
  const ssize_t n = ::sendfile(out, in, nullptr, kChunk);
  if (n > 0) return Step::Copied;
  if (n == 0) return nothing_yet && size > 0 ? Step::Unsupported : Step::Done;
  if (NotSupported(errno)) return Step::Unsupported;
  ThrowErrno(errno);
}

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void ReadWriteCopy(int in, int out, off_t size) {
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  std::vector<char> buffer(std::min(kBuffer, static_cast<std::size_t>(size) + 1));
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    WriteAll(out, buffer.data(), static_cast<std::size_t>(n));
  }
}

// Copies from the current offsets of in to the end, by the fastest way that works here. Each way
// continues from where the one before stopped, as all of them move the file offsets.
void CopyBytes(int in, int out, off_t size) {
  bool nothing_yet = true;
  for (auto way : {CopyFileRange, SendFile}) {
    for (;;) {
      const Step step = way(in, out, nothing_yet, size);
      if (step == Step::Done) return;
      if (step == Step::Unsupported) break;
      nothing_yet = false;
    }
  }
  ReadWriteCopy(in, out, size);
}

void SyncFolder(const std::string& folder) {
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir) ThrowErrno(errno);
  // Some file systems cannot sync a folder; the rename itself has happened.
  if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

}  // namespace

void CopyWholeFile(const std::string& source, const std::string& destination) {
  // Non-blocking so that a named pipe given as the source cannot hang the click; it is refused
  // below, and on a regular file the flag changes nothing.
  const FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!in) {
    if (errno == ENOENT) {
      struct stat folder {};
      const std::string parent = FolderOf(source);
      throw RuntimeError(::stat(parent.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)
                             ? err::kFileNotFound
                             : err::kPathNotFound);
    }
    ThrowErrno(errno);
  }
  struct stat from {};
  if (::fstat(in.get(), &from) != 0) ThrowErrno(errno);
  if (!S_ISREG(from.st_mode)) throw RuntimeError(err::kPathFileAccessError);

  // Onto itself (the same name, another spelling of it, or a hard link): nothing to do, and
  // writing would destroy the only copy.
  struct stat to {};
  if (::stat(destination.c_str(), &to) == 0) {
    if (to.st_dev == from.st_dev && to.st_ino == from.st_ino) return;
    if (S_ISDIR(to.st_mode)) throw RuntimeError(err::kPathFileAccessError);
  }

  // A read-only source gives a read-only copy, as the copy keeps attributes on Windows; the
  // execute bits a card's file system hands out are not kept.
  const mode_t mode = (from.st_mode & S_IWUSR) ? 0666 : 0444;
  const std::string folder = FolderOf(destination);
  TempFile temp(folder, mode);
  CopyBytes(in.get(), temp.fd(), from.st_size);

  // Keep the time the photo was last changed, as the copy does on Windows.
  const struct timespec times[2] = {from.st_atim, from.st_mtim};
  if (::futimens(temp.fd(), times) != 0) ThrowErrno(errno);
  if (::fsync(temp.fd()) != 0) ThrowErrno(errno);
  if (const int e = temp.Close(); e != 0) ThrowErrno(e);

  if (::rename(temp.path().c_str(), destination.c_str()) != 0) ThrowErrno(errno);
  temp.Keep();
  SyncFolder(folder);
}

std::optional<unsigned long long> FileSize(const std::string& path) noexcept {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<unsigned long long>(st.st_size);
}

}  // namespace pixferry
