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
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
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

std::string Hex(std::uint64_t n) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), kHex[n & 0xF]);
    n >>= 4;
  } while (n != 0);
  return digits;
}

// The temporary file, hidden by its leading dot so that no listing of files returns it; removed
// again unless Keep() is called once it has its final name. Its name is the group's random tag
// and a number counted up within the group.
class TempFile {
 public:
  TempFile(const std::string& folder, mode_t mode, std::uint64_t tag, std::uint64_t& number) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string candidate = folder + "/.pixferry-" + Hex(tag) + "-" + Hex(number++) + ".tmp";
      const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
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

constexpr std::size_t kChunk = std::size_t{1} << 30;
constexpr off_t kEarlyWriteSize = off_t{1} << 20;

// One step of a way of copying: the bytes it copied (0 at the end of the source), or nothing
// when this way is not available for these files.
using Way = std::optional<std::size_t> (*)(int in, int out, std::size_t want);

// In-kernel copy between files: no bytes through user space, reflinks where the file system
// offers them.
std::optional<std::size_t> ByCopyFileRange(int in, int out, std::size_t want) {
  const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
  if (n >= 0) return static_cast<std::size_t>(n);
  if (NotSupported(errno)) return std::nullopt;
  ThrowErrno(errno);
}

std::optional<std::size_t> BySendFile(int in, int out, std::size_t want) {
  const ssize_t n = ::sendfile(out, in, nullptr, want);
  if (n >= 0) return static_cast<std::size_t>(n);
  if (NotSupported(errno)) return std::nullopt;
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

// Through a buffer, to the end of the source.
void ReadWriteCopy(int in, int out, std::size_t size_hint) {
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  std::vector<char> buffer(std::min(kBuffer, size_hint + 1));
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

// Copies the size bytes the source had when it was opened, by the fastest way that works here.
// Each way goes on from where the one before stopped, as all of them move the file offsets. A
// source that changes meanwhile is caught by the check after the copy.
void CopyBytes(int in, int out, off_t size) {
  if (const int e = faults::Check(faults::Op::CopyRead)) throw RuntimeError(e);
  if (const int e = faults::Check(faults::Op::CopyWrite)) throw RuntimeError(e);
  const auto total = static_cast<std::size_t>(size);
  std::size_t copied = 0;
  for (const Way way : {ByCopyFileRange, BySendFile}) {
    while (copied < total) {
      const std::optional<std::size_t> n = way(in, out, std::min(total - copied, kChunk));
      if (!n) break;
      if (*n == 0) {
        // Some file systems answer 0 at the start of a file they cannot copy this way.
        if (copied == 0) break;
        return;
      }
      copied += *n;
    }
    if (copied == total) return;
  }
  ReadWriteCopy(in, out, total - copied);
}

void SyncFolder(const std::string& folder) {
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir) ThrowErrno(errno);
  // Some file systems cannot sync a folder; the rename itself has happened.
  if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

void SyncFile(const std::string& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file || ::fsync(file.get()) != 0) ThrowErrno(errno);
}

// Gives a copy its final name. A copy made for a name that was free then must not replace what
// took the name since: on a file system that ignores case, IMG_0001.JPG and img_0001.jpg of one
// run are one name, and the second must fail rather than silently replace the first.
bool Rename(const std::string& temp, const std::string& destination, bool replaces) {
  if (replaces) return ::rename(temp.c_str(), destination.c_str()) == 0;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
#endif
  // No such rename here: look first; only a race can slip through.
  struct stat st {};
  if (::lstat(destination.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(temp.c_str(), destination.c_str()) == 0;
}

// Reads exactly size bytes at offset, or fails.
bool ReadAt(int fd, char* buffer, std::size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, buffer, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

bool AtEnd(int fd, off_t offset) {
  char byte = 0;
  ssize_t n = 0;
  do {
    n = ::pread(fd, &byte, 1, offset);
  } while (n < 0 && errno == EINTR);
  return n == 0;
}

// Small enough for both chunks to stay in the processor's cache while they are compared.
constexpr std::size_t kCompareChunk = std::size_t{128} << 10;

// True when both files hold exactly size bytes and the same ones. Both are read side by side,
// never mapped: a card pulled out under a mapping would kill the program.
bool SameContent(int a, int b, std::size_t size) {
  const std::size_t chunk = std::min(kCompareChunk, size);
  const auto a_bytes = std::make_unique_for_overwrite<char[]>(chunk);
  const auto b_bytes = std::make_unique_for_overwrite<char[]>(chunk);
  for (std::size_t done = 0; done < size;) {
    const std::size_t n = std::min(chunk, size - done);
    const auto offset = static_cast<off_t>(done);
    if (!ReadAt(a, a_bytes.get(), n, offset) || !ReadAt(b, b_bytes.get(), n, offset) ||
        std::memcmp(a_bytes.get(), b_bytes.get(), n) != 0) {
      return false;
    }
    done += n;
  }
  // Neither may hold more: the copy must be the whole of the original.
  const auto end = static_cast<off_t>(size);
  return AtEnd(a, end) && AtEnd(b, end);
}

}  // namespace

struct CopyGroup::Impl {
  struct Pending {
    std::string temp;
    std::string destination;
    std::string folder;
    bool replaces;  // the destination existed when the copy was made
  };

  ~Impl() { RemoveFrom(0); }

  void RemoveFrom(std::size_t first) noexcept {
    for (std::size_t i = first; i < pending.size(); ++i) ::unlink(pending[i].temp.c_str());
    pending.resize(std::min(first, pending.size()));
  }

  // The folders the pending copies go to, each once.
  std::vector<std::string> Folders() const {
    std::vector<std::string> folders;
    for (const Pending& p : pending) {
      if (std::find(folders.begin(), folders.end(), p.folder) == folders.end()) {
        folders.push_back(p.folder);
      }
    }
    return folders;
  }

  // One flush for the whole group: syncfs writes back and commits the file system once, where an
  // fsync per file would wait for the disk once per file.
  void Flush() const {
#ifdef __linux__
    if (pending.size() > 1) {
      for (const std::string& folder : Folders()) {
        const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!dir || ::syncfs(dir.get()) != 0) ThrowErrno(errno);
      }
      return;
    }
#endif
    for (const Pending& p : pending) SyncFile(p.temp);
  }

  std::vector<Pending> pending;
  unsigned long long bytes = 0;
  const std::uint64_t tag = (std::uint64_t{std::random_device{}()} << 32) | std::random_device{}();
  std::uint64_t next_number = 0;
};

CopyGroup::CopyGroup() : impl_(std::make_unique<Impl>()) {}
CopyGroup::~CopyGroup() = default;

std::size_t CopyGroup::PendingFiles() const noexcept {
  return impl_->pending.size();
}
unsigned long long CopyGroup::PendingBytes() const noexcept {
  return impl_->bytes;
}

bool CopyGroup::Copy(const std::string& source, const std::string& destination) {
  if (const int e = faults::Check(faults::Op::CopyOpen)) throw RuntimeError(e);
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
  const bool replaces = ::lstat(destination.c_str(), &to) == 0;
  if (replaces) {
    if (::stat(destination.c_str(), &to) == 0 && to.st_dev == from.st_dev &&
        to.st_ino == from.st_ino) {
      return true;
    }
    if (S_ISDIR(to.st_mode)) throw RuntimeError(err::kPathFileAccessError);
  }

  // A read-only source gives a read-only copy, as the copy keeps attributes on Windows; the
  // execute bits a card's file system hands out are not kept.
  const mode_t mode = (from.st_mode & S_IWUSR) ? 0666 : 0444;
  std::string folder = FolderOf(destination);
  TempFile temp(folder, mode, impl_->tag, impl_->next_number);
  CopyBytes(in.get(), temp.fd(), from.st_size);
#ifdef __linux__
  // Start writing a large copy to disk now, while the next files are copied, so that the
  // group's flush finds most of its work done; small files are left to that one flush, where
  // the disk gets them together. Only a hint: a failure here changes nothing.
  if (from.st_size >= kEarlyWriteSize) ::sync_file_range(temp.fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif

  // Keep the time the photo was last changed, as the copy does on Windows.
  const struct timespec times[2] = {from.st_atim, from.st_mtim};
  if (::futimens(temp.fd(), times) != 0) ThrowErrno(errno);
  // Read back through the descriptors still open, before the group's flush writes the copy out.
  // A copy that differs is removed with its temporary file.
  if (!SameContent(in.get(), temp.fd(), static_cast<std::size_t>(from.st_size))) return false;
  if (const int e = temp.Close(); e != 0) ThrowErrno(e);

  impl_->pending.push_back({temp.path(), destination, std::move(folder), replaces});
  temp.Keep();
  impl_->bytes += static_cast<unsigned long long>(from.st_size);
  return true;
}

void CopyGroup::Commit() {
  Impl& g = *impl_;
  g.bytes = 0;
  if (g.pending.empty()) return;
  try {
    if (const int e = faults::Check(faults::Op::CopyCommit)) throw RuntimeError(e);
    g.Flush();
  } catch (...) {
    g.RemoveFrom(0);
    throw;
  }

  const std::vector<std::string> folders = g.Folders();
  int rename_error = 0;
  for (std::size_t i = 0; i < g.pending.size(); ++i) {
    const Impl::Pending& p = g.pending[i];
    if (!Rename(p.temp, p.destination, p.replaces)) {
      rename_error = errno;
      g.RemoveFrom(i);
      break;
    }
  }
  g.pending.clear();
  for (const std::string& folder : folders) SyncFolder(folder);
  if (rename_error != 0) ThrowErrno(rename_error);
}

void CopyWholeFile(const std::string& source, const std::string& destination) {
  CopyGroup one;
  if (!one.Copy(source, destination)) throw RuntimeError(err::kDeviceIoError);
  one.Commit();
}

bool SameFileContent(const std::string& original, const std::string& copy) noexcept {
  try {
    const FileDescriptor a(::open(original.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const FileDescriptor b(::open(copy.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat sa {};
    struct stat sb {};
    if (!a || !b || ::fstat(a.get(), &sa) != 0 || ::fstat(b.get(), &sb) != 0) return false;
    if (!S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size) return false;
    return SameContent(a.get(), b.get(), static_cast<std::size_t>(sa.st_size));
  } catch (...) {
    return false;
  }
}

std::optional<unsigned long long> FileSize(const std::string& path) noexcept {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<unsigned long long>(st.st_size);
}

}  // namespace pixferry
