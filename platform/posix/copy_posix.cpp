// The whole-file copy, POSIX side: the bytes go into a hidden, locked temporary file in the
// destination's folder; the group flushes them to stable storage, drops them from the cache,
// reads them back from the storage and compares them with the source, and only then gives each
// copy its final name. Neither a failure nor a crash leaves a partial or wrong file under a final
// name or loses the file being replaced.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/temp_names.h"

namespace pixferry {
namespace {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }

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

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

FileStamp StampFrom(const struct stat& st) {
  return {static_cast<unsigned long long>(st.st_size),
          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

// The errors that mean "this way of copying is not available here", not "the copy failed".
bool NotSupported(int e) {
  return e == ENOSYS || e == EXDEV || e == EINVAL || e == EOPNOTSUPP || e == ENOTSUP ||
         e == EBADF || e == EPERM;
}

// Small enough that a long copy gives its window a turn several times a second.
constexpr std::size_t kChunk = std::size_t{16} << 20;
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
void ReadWriteCopy(int in, int out, std::size_t size_hint, const std::function<void()>& between) {
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  std::vector<char> buffer(std::min(kBuffer, size_hint + 1));
  for (std::size_t done = 0;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    WriteAll(out, buffer.data(), static_cast<std::size_t>(n));
    done += static_cast<std::size_t>(n);
    if (between && done % kChunk < static_cast<std::size_t>(n)) between();
  }
}

// Copies the size bytes the source had when it was opened, by the fastest way that works here.
// Each way goes on from where the one before stopped, as all of them move the file offsets. A
// source that changes meanwhile is caught by the read-back.
void CopyBytes(int in, int out, off_t size, const std::function<void()>& between) {
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
      if (between && copied < total) between();
    }
    if (copied == total) return;
  }
  ReadWriteCopy(in, out, total - copied, between);
}

// Stores one byte of the copy wrong, as a failing disk does: the fault build's way to prove that
// the read-back looks at what was stored.
void StoreOneByteWrong(int fd, off_t size) {
  if (size == 0) return;
  const off_t at = size / 2;
  char byte = 0;
  if (::pread(fd, &byte, 1, at) == 1) {
    byte = static_cast<char>(byte ^ 0x20);
    if (::pwrite(fd, &byte, 1, at) != 1) ThrowErrno(errno);
  }
}

// Reads up to size bytes at offset: the number read, short only at the end of the file.
ssize_t ReadAt(int fd, char* buffer, std::size_t size, off_t offset) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

// Few reads per photo, and both chunks still fit the processor's cache while they are compared.
constexpr std::size_t kCompareChunk = std::size_t{512} << 10;

enum class Compared { kSame, kDiffer, kFailed };

// Both files read side by side, never mapped (a card pulled out under a mapping would kill the
// program), to the end of the original: the copy must hold exactly its bytes, no more.
struct CompareBuffers {
  std::unique_ptr<char[]> a = std::make_unique_for_overwrite<char[]>(kCompareChunk);
  std::unique_ptr<char[]> b = std::make_unique_for_overwrite<char[]>(kCompareChunk);
};

Compared CompareContent(int original, int copy, const CompareBuffers& buffers,
                        const std::function<void()>& between, int& error) {
  char* const a_bytes = buffers.a.get();
  char* const b_bytes = buffers.b.get();
  for (off_t offset = 0, last = -1;;) {
    // A short read has met the original's end already: no need to ask again.
    const ssize_t na = offset == last ? 0 : ReadAt(original, a_bytes, kCompareChunk, offset);
    if (na < 0) {
      error = errno;
      return Compared::kFailed;
    }
    if (na == 0) {
      struct stat st {};
      if (::fstat(copy, &st) != 0) {
        error = errno;
        return Compared::kFailed;
      }
      return st.st_size == offset ? Compared::kSame : Compared::kDiffer;
    }
    const ssize_t nb = ReadAt(copy, b_bytes, static_cast<std::size_t>(na), offset);
    if (nb < 0) {
      error = errno;
      return Compared::kFailed;
    }
    if (na != nb || std::memcmp(a_bytes, b_bytes, static_cast<std::size_t>(na)) != 0) {
      return Compared::kDiffer;
    }
    offset += na;
    if (static_cast<std::size_t>(na) < kCompareChunk) last = offset;
    if (between && offset % static_cast<off_t>(kChunk) == 0) between();
  }
}

// Throws away the cached pages of a copy once its data is on the storage, so that the next read
// comes from the storage itself. Where the file system keeps no other copy of the data (tmpfs)
// the pages stay, and the read-back compares what the cache holds.
void DropCachedCopy(int fd) {
#ifdef __linux__
  // Waits for any of its data still being written: only clean pages can be dropped.
  ::sync_file_range(
      fd, 0, 0, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
#endif
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

void SyncFolder(const std::string& folder) {
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir) ThrowErrno(errno);
  // Some file systems cannot sync a folder; the rename itself has happened.
  if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

// Gives a copy its final name. A copy made for a name that was free then must not replace what
// took the name since.
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

// Each waiting copy holds its temporary file open, locked, and its source: a group may not hold
// more files open than the process may have.
std::size_t OpenFileBudget() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 4096;
  return std::max<std::size_t>(16, static_cast<std::size_t>(limit.rlim_cur) / 4);
}

}  // namespace

struct CopyGroup::Impl {
  struct Pending {
    std::string source;
    std::string destination;
    std::string folder;
    std::string temp;       // empty: the destination is the source itself
    FileDescriptor file;    // the temporary, locked while it exists
    FileDescriptor from;    // the source, read again for the comparison
    FileStamp stamp;        // the source's when it was copied
    bool replaces = false;  // the destination existed when the copy was made
    bool ignores_case = false;
    bool cache_only = false;  // tmpfs: no storage behind the cache to read back from
  };

  ~Impl() {
    for (Pending& p : pending) Remove(p);
  }

  static void Remove(Pending& p) noexcept {
    if (!p.temp.empty()) ::unlink(p.temp.c_str());
    p.temp.clear();
    p.file.Close();
    p.from.Close();
  }

  // A new temporary beside destination, created, locked and no longer than its final name.
  Pending Create(const std::string& destination, mode_t mode) {
    Pending p;
    p.folder = FolderOf(destination);
    const std::size_t final_length = NameOf(destination).size();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string candidate = p.folder + "/" + TemporaryName(final_length, random());
      const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        // A missing destination folder reads as "path not found", as it does on Windows.
        if (errno == ENOENT) throw RuntimeError(err::kPathNotFound);
        ThrowErrno(errno);
      }
      p.file.Reset(fd);
      p.temp = candidate;
      // Another run cleaning leftovers may have taken the file between its creation and the
      // lock: then it is gone, and another name is tried.
      struct stat st {};
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
        if (st.st_nlink != 0) ::unlink(candidate.c_str());
        p.file.Close();
        p.temp.clear();
        continue;
      }
      const FolderTraits& traits = TraitsOf(p.folder, candidate, st);
      p.ignores_case = traits.ignores_case;
      p.cache_only = traits.cache_only;
      return p;
    }
    throw RuntimeError(err::kPathFileAccessError);
  }

  struct FolderTraits {
    std::string folder;
    bool ignores_case;
    bool cache_only;
  };

  // What a folder is like, learnt once from the first temporary made there: whether its name in
  // capitals finds the same file, and whether the file system keeps files only in memory.
  const FolderTraits& TraitsOf(const std::string& folder, const std::string& temp,
                               const struct stat& st) {
    for (const FolderTraits& known : folders) {
      if (known.folder == folder) return known;
    }
    struct stat other {};
    const std::string upper = folder + "/" + Upper(NameOf(temp));
    const bool ignores = ::lstat(upper.c_str(), &other) == 0 && other.st_ino == st.st_ino &&
                         other.st_dev == st.st_dev;
    struct statfs fs {};
    constexpr decltype(fs.f_type) kTmpfs = 0x01021994, kRamfs = 0x858458f6;
    const bool memory =
        ::statfs(folder.c_str(), &fs) == 0 && (fs.f_type == kTmpfs || fs.f_type == kRamfs);
    folders.push_back({folder, ignores, memory});
    return folders.back();
  }

  // One flush for the whole group: syncfs writes back and commits the file system once, where an
  // fsync per file would wait for the disk once per file.
  static void Flush(const std::vector<Pending>& pending) {
#ifdef __linux__
    if (pending.size() > 1) {
      std::vector<std::string> done;
      for (const Pending& p : pending) {
        if (p.temp.empty() || std::find(done.begin(), done.end(), p.folder) != done.end()) continue;
        done.push_back(p.folder);
        if (::syncfs(p.file.get()) != 0) ThrowErrno(errno);
      }
      return;
    }
#endif
    for (const Pending& p : pending) {
      if (!p.temp.empty() && ::fsync(p.file.get()) != 0) ThrowErrno(errno);
    }
  }

  // Reads the copy back from the storage and compares it with the source as it is now.
  CopyOutcome Verify(Pending& p) const {
    CopyOutcome outcome{p.source, p.destination, false, 0, p.stamp};
    if (p.temp.empty()) {
      outcome.verified = true;
      return outcome;
    }
    if (const int e = faults::Check(faults::Op::CopyVerify)) {
      outcome.error = e;
      return outcome;
    }
    const FileDescriptor& in = p.from;
    struct stat now {};
    if (::fstat(in.get(), &now) != 0) {
      outcome.error = ErrorFromErrno(errno);
      return outcome;
    }
    // A photo changed since it was copied: what was copied is no longer the photo.
    if (!S_ISREG(now.st_mode) || StampFrom(now) != p.stamp) return outcome;
    int e = 0;
    if (!buffers) buffers = std::make_unique<CompareBuffers>();
    switch (CompareContent(in.get(), p.file.get(), *buffers, between, e)) {
      case Compared::kSame:
        outcome.verified = true;
        break;
      case Compared::kDiffer:
        break;
      case Compared::kFailed:
        outcome.error = ErrorFromErrno(e);
        break;
    }
    return outcome;
  }

  CopyGroupLimits limits;
  std::function<void()> between;
  std::vector<Pending> pending;
  std::vector<FolderTraits> folders;
  mutable std::unique_ptr<CompareBuffers> buffers;  // made once, for the whole group
  // The destinations waiting; in small letters too where their folder ignores case.
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> folded_names;
  unsigned long long bytes = 0;
  std::size_t open_budget = OpenFileBudget();
  std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) | std::random_device{}()};
};

CopyGroup::CopyGroup(CopyGroupLimits limits, std::function<void()> between_chunks)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  impl_->between = std::move(between_chunks);
}
CopyGroup::~CopyGroup() = default;

std::size_t CopyGroup::PendingFiles() const noexcept {
  return impl_->pending.size();
}

bool CopyGroup::Full() const noexcept {
  const Impl& g = *impl_;
  return g.pending.size() >= std::min(g.limits.files, g.open_budget) || g.bytes >= g.limits.bytes;
}

bool CopyGroup::Holds(const std::string& destination) const {
  const Impl& g = *impl_;
  return g.names.contains(destination) || g.folded_names.contains(Lower(destination));
}

void CopyGroup::Add(const std::string& source, const std::string& destination) {
  Impl& g = *impl_;
  if (const int e = faults::Check(faults::Op::CopyOpen)) throw RuntimeError(e);
  // Non-blocking so that a named pipe given as the source cannot hang the click; it is refused
  // below, and on a regular file the flag changes nothing.
  FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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
  // writing would destroy the only copy. A link is not the file it leads to: it is replaced by a
  // real copy, never written through.
  struct stat to {};
  const bool replaces = ::lstat(destination.c_str(), &to) == 0;
  if (replaces) {
    if (S_ISREG(to.st_mode) && to.st_dev == from.st_dev && to.st_ino == from.st_ino) {
      Impl::Pending same;
      same.source = source;
      same.destination = destination;
      same.folder = FolderOf(destination);
      same.stamp = StampFrom(from);
      g.names.insert(destination);
      g.pending.push_back(std::move(same));
      return;
    }
    if (S_ISDIR(to.st_mode)) throw RuntimeError(err::kPathFileAccessError);
  }

  // A read-only source gives a read-only copy, as the copy keeps attributes on Windows; the
  // execute bits a card's file system hands out are not kept.
  const mode_t mode = (from.st_mode & S_IWUSR) ? 0666 : 0444;
  Impl::Pending p = g.Create(destination, mode);
  try {
    CopyBytes(in.get(), p.file.get(), from.st_size, g.between);
    if (faults::Check(faults::Op::CopyCorrupt) != 0) StoreOneByteWrong(p.file.get(), from.st_size);
#ifdef __linux__
    // Start writing a large copy to disk now, while the next files are copied, so that the
    // group's flush finds most of its work done. Only a hint: a failure here changes nothing.
    if (from.st_size >= kEarlyWriteSize) {
      ::sync_file_range(p.file.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    }
#endif
    // Keep the time the photo was last changed, as the copy does on Windows.
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (::futimens(p.file.get(), times) != 0) ThrowErrno(errno);
  } catch (...) {
    Impl::Remove(p);
    throw;
  }
  p.source = source;
  p.destination = destination;
  p.from = std::move(in);
  p.stamp = StampFrom(from);
  p.replaces = replaces;
  g.names.insert(destination);
  if (p.ignores_case) g.folded_names.insert(Lower(destination));
  g.bytes += static_cast<unsigned long long>(from.st_size);
  g.pending.push_back(std::move(p));
}

std::vector<CopyOutcome> CopyGroup::Commit() {
  Impl& g = *impl_;
  g.bytes = 0;
  std::vector<Impl::Pending> pending = std::exchange(g.pending, {});
  g.names.clear();
  g.folded_names.clear();
  // Whatever happens, no temporary outlives the commit.
  const struct Cleanup {
    std::vector<Impl::Pending>& pending;
    ~Cleanup() {
      for (Impl::Pending& p : pending) Impl::Remove(p);
    }
  } cleanup{pending};
  if (pending.empty()) return {};
  if (const int e = faults::Check(faults::Op::CopyCommit)) throw RuntimeError(e);
  Impl::Flush(pending);
  // Every copy's pages leave the cache, and the system starts reading them all back from the
  // storage at once, which a disk does faster than one read after another.
  for (const Impl::Pending& p : pending) {
    if (p.temp.empty() || p.cache_only) continue;
    DropCachedCopy(p.file.get());
    ::posix_fadvise(p.file.get(), 0, 0, POSIX_FADV_WILLNEED);
  }

  std::vector<CopyOutcome> outcomes;
  std::vector<std::string> renamed_in;
  for (Impl::Pending& p : pending) {
    if (g.between) g.between();
    CopyOutcome outcome = g.Verify(p);
    if (outcome.verified && !p.temp.empty()) {
      int e = faults::Check(faults::Op::CopyRename);
      if (e == 0 && !Rename(p.temp, p.destination, p.replaces)) e = ErrorFromErrno(errno);
      if (e != 0) {
        outcome.verified = false;
        outcome.error = e;
      } else {
        p.temp.clear();  // it has its name now
        if (std::find(renamed_in.begin(), renamed_in.end(), p.folder) == renamed_in.end()) {
          renamed_in.push_back(p.folder);
        }
      }
    }
    Impl::Remove(p);
    outcomes.push_back(std::move(outcome));
  }
  // The names are on the storage too: a copy verified but named only in the cache would be lost
  // with the power.
  for (const std::string& folder : renamed_in) {
    try {
      SyncFolder(folder);
    } catch (const RuntimeError& e) {
      for (CopyOutcome& o : outcomes) {
        if (o.verified && FolderOf(o.destination) == folder) {
          o.verified = false;
          o.error = e.number();
        }
      }
    }
  }
  return outcomes;
}

void CopyWholeFile(const std::string& source, const std::string& destination) {
  CopyGroup one;
  one.Add(source, destination);
  const std::vector<CopyOutcome> outcomes = one.Commit();
  if (outcomes.at(0).error != 0) throw RuntimeError(outcomes[0].error);
  if (!outcomes[0].verified) throw RuntimeError(err::kDeviceIoError);
}

int CleanLeftovers(const std::string& folder) noexcept {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const std::string path = folder + "/" + entry->d_name;
    const FileDescriptor file(
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat held {};
    struct stat named {};
    if (!file || ::fstat(file.get(), &held) != 0 || !S_ISREG(held.st_mode)) continue;
    // A live run holds the lock of each of its temporaries.
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) continue;
    // Still the file that was locked under that name.
    if (::lstat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino ||
        named.st_dev != held.st_dev) {
      continue;
    }
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

void ReadAheadHint(const std::string& path) noexcept {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file) ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_WILLNEED);
}

std::optional<FileStamp> StampOf(const std::string& path) noexcept {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StampFrom(st);
}

bool SameFileContent(const std::string& original, const std::string& copy) noexcept {
  try {
    const FileDescriptor a(::open(original.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const FileDescriptor b(::open(copy.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat sa {};
    struct stat sb {};
    if (!a || !b || ::fstat(a.get(), &sa) != 0 || ::fstat(b.get(), &sb) != 0) return false;
    if (!S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size) return false;
    int e = 0;
    return CompareContent(a.get(), b.get(), CompareBuffers{}, {}, e) == Compared::kSame;
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
