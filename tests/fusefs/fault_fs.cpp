#define FUSE_USE_VERSION 31

#include "tests/fusefs/fault_fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace pixferry::testing {

struct FaultFsState {
  int root_fd = -1;
  FaultMode mode = FaultMode::kCorruptStored;
  std::uint64_t limit = 0;
  std::atomic<bool> gone{false};  // kGoneAfter: the card has been pulled out
  // kForgetsUnsynced: a descriptor of each file written since its last fsync, by inode.
  std::mutex unsynced_lock;
  std::map<ino_t, int> unsynced;

  // Notes a write (synced false) or an fsync of the file open as fd.
  void Note(int fd, bool synced) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return;
    const std::lock_guard lock(unsynced_lock);
    const auto it = unsynced.find(st.st_ino);
    if (!synced && it == unsynced.end()) unsynced[st.st_ino] = dup(fd);
    if (synced && it != unsynced.end()) {
      close(it->second);
      unsynced.erase(it);
    }
  }

  // The unplugging of kForgetsUnsynced: what was not fsynced is gone.
  void ForgetUnsynced() {
    const std::lock_guard lock(unsynced_lock);
    for (const auto& [inode, fd] : unsynced) {
      if (ftruncate(fd, 0) != 0) std::perror("faultfs: cannot forget a file");
      close(fd);
    }
    unsynced.clear();
  }

  ~FaultFsState() {
    if (root_fd >= 0) close(root_fd);
  }
};

namespace {

FaultFsState& Self() {
  return *static_cast<FaultFsState*>(fuse_get_context()->private_data);
}

// Paths arrive as "/a/b" from the mount's root; the backing folder's descriptor is their base.
const char* Relative(const char* path) {
  return path[1] != '\0' ? path + 1 : ".";
}

int Fail() {
  return -errno;
}

bool Gone() {
  return Self().gone.load();
}

// The kernel owns appends and reads back partly written pages while it caches writes, so every
// file it opens for writing is opened for reading too; direct I/O is the kernel's business, the
// backing file is read with ordinary buffers.
int BackingFlags(int flags) {
  if ((flags & O_ACCMODE) == O_WRONLY) flags = (flags & ~O_ACCMODE) | O_RDWR;
  return flags & ~(O_APPEND | O_DIRECT);
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

void* Init(fuse_conn_info* conn, fuse_config* cfg) {
  // The writer's cache must hold what it wrote while the stored bytes may differ.
  if (conn->capable & FUSE_CAP_WRITEBACK_CACHE) conn->want |= FUSE_CAP_WRITEBACK_CACHE;
  cfg->kernel_cache = 1;
  // An unlinked open file goes away in the backing folder too, not into a hidden leftover.
  cfg->hard_remove = 1;
  cfg->nullpath_ok = 1;
  // A card that is gone must not live on in the kernel's caches of names and attributes.
  if (Self().mode == FaultMode::kGoneAfter) {
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
  }
  return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info* fi) {
  if (Gone()) return -EIO;
  const int rc = fi != nullptr ? fstat(static_cast<int>(fi->fh), st)
                               : fstatat(Self().root_fd, Relative(path), st, AT_SYMLINK_NOFOLLOW);
  return rc == 0 ? 0 : Fail();
}

int MakeDir(const char* path, mode_t mode) {
  return mkdirat(Self().root_fd, Relative(path), mode) == 0 ? 0 : Fail();
}

int Unlink(const char* path) {
  return unlinkat(Self().root_fd, Relative(path), 0) == 0 ? 0 : Fail();
}

int Rename(const char* from, const char* to, unsigned int flags) {
  const int root = Self().root_fd;
  return renameat2(root, Relative(from), root, Relative(to), flags) == 0 ? 0 : Fail();
}

int SetTimes(const char* path, const timespec times[2], fuse_file_info* fi) {
  const int rc = fi != nullptr
                     ? futimens(static_cast<int>(fi->fh), times)
                     : utimensat(Self().root_fd, Relative(path), times, AT_SYMLINK_NOFOLLOW);
  return rc == 0 ? 0 : Fail();
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
  const int fd = openat(Self().root_fd, Relative(path), BackingFlags(fi->flags) | O_CLOEXEC, mode);
  if (fd < 0) return Fail();
  fi->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Open(const char* path, fuse_file_info* fi) {
  if (Gone()) return -EIO;
  const int fd = openat(Self().root_fd, Relative(path), BackingFlags(fi->flags) | O_CLOEXEC);
  if (fd < 0) return Fail();
  fi->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const int fd = static_cast<int>(fi->fh);
  FaultFsState& self = Self();
  if (self.gone) return -EIO;
  if (self.mode == FaultMode::kGoneAfter) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return Fail();
    // The kernel asks for whole pages past the end; only bytes the file has count.
    const auto end = std::min<std::uint64_t>(static_cast<std::uint64_t>(offset) + size,
                                             static_cast<std::uint64_t>(st.st_size));
    // The whole request fails: a short answer would read as the end of the file.
    if (end > self.limit) {
      self.gone = true;
      return -EIO;
    }
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, buf + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<int>(done);
}

int Write(const char*, const char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const int fd = static_cast<int>(fi->fh);
  const FaultFsState& self = Self();
  const auto start = static_cast<std::uint64_t>(offset);
  const std::uint64_t end = start + size;
  switch (self.mode) {
    case FaultMode::kCorruptStored:
      if (start <= self.limit && self.limit < end) {
        std::vector<char> wrong(buf, buf + size);
        wrong[self.limit - start] = static_cast<char>(~wrong[self.limit - start]);
        if (!WriteAll(fd, wrong.data(), size, offset)) return Fail();
        return static_cast<int>(size);
      }
      break;
    case FaultMode::kGoneAfter:
      break;
    case FaultMode::kForgetsUnsynced:
      Self().Note(fd, false);
      break;
  }
  if (!WriteAll(fd, buf, size, offset)) return Fail();
  return static_cast<int>(size);
}

int StatFs(const char*, struct statvfs* st) {
  return fstatvfs(Self().root_fd, st) == 0 ? 0 : Fail();
}

int Flush(const char*, fuse_file_info*) {
  return 0;
}

int Release(const char*, fuse_file_info* fi) {
  close(static_cast<int>(fi->fh));
  return 0;
}

int Fsync(const char*, int datasync, fuse_file_info* fi) {
  const int fd = static_cast<int>(fi->fh);
  if (Self().mode == FaultMode::kForgetsUnsynced) Self().Note(fd, true);
  return (datasync != 0 ? fdatasync(fd) : fsync(fd)) == 0 ? 0 : Fail();
}

DIR* DirOf(const fuse_file_info* fi) {
  return reinterpret_cast<DIR*>(fi->fh);
}

int OpenDir(const char* path, fuse_file_info* fi) {
  if (Gone()) return -EIO;
  const int fd = openat(Self().root_fd, Relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail();
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    const int rc = Fail();
    close(fd);
    return rc;
  }
  fi->fh = reinterpret_cast<std::uint64_t>(dir);
  return 0;
}

int ReadDir(const char*, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info* fi,
            fuse_readdir_flags) {
  DIR* dir = DirOf(fi);
  rewinddir(dir);
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    struct stat st {};
    st.st_ino = entry->d_ino;
    st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
    if (fill(buf, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) break;
    errno = 0;
  }
  return errno == 0 ? 0 : Fail();
}

int ReleaseDir(const char*, fuse_file_info* fi) {
  closedir(DirOf(fi));
  return 0;
}

fuse_operations Operations() {
  fuse_operations ops{};
  ops.init = Init;
  ops.getattr = GetAttr;
  ops.mkdir = MakeDir;
  ops.unlink = Unlink;
  ops.rename = Rename;
  ops.utimens = SetTimes;
  ops.create = Create;
  ops.open = Open;
  ops.read = Read;
  ops.write = Write;
  ops.statfs = StatFs;
  ops.flush = Flush;
  ops.release = Release;
  ops.fsync = Fsync;
  ops.opendir = OpenDir;
  ops.readdir = ReadDir;
  ops.releasedir = ReleaseDir;
  // No lock or flock handler: the kernel keeps both kinds of lock itself, which is exactly
  // what one mount shared by the processes of a test needs.
  return ops;
}

}  // namespace

FaultFs::FaultFs(const std::string& backing, const std::string& mount_point, FaultMode mode,
                 std::uint64_t limit)
    : state_(std::make_unique<FaultFsState>()) {
  state_->mode = mode;
  state_->limit = limit;
  state_->root_fd = open(backing.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (state_->root_fd < 0) {
    error_ = "cannot open the backing folder " + backing + ": " + std::strerror(errno);
    return;
  }
  char program[] = "pixferry-faultfs";
  char option[] = "-o";
  char names[] = "fsname=pixferry-faultfs,subtype=faultfs";
  char* argv[] = {program, option, names, nullptr};
  fuse_args args = FUSE_ARGS_INIT(3, argv);
  const fuse_operations ops = Operations();
  fuse_ = fuse_new(&args, &ops, sizeof ops, state_.get());
  fuse_opt_free_args(&args);
  if (fuse_ == nullptr) {
    error_ = "fuse_new failed";
    return;
  }
  if (fuse_mount(fuse_, mount_point.c_str()) != 0) {
    error_ = "cannot mount a FUSE file system at " + mount_point;
    return;
  }
  mounted_ = true;
}

void FaultFs::Serve() {
  if (mounted_) fuse_loop_mt(fuse_, 0);
  state_->ForgetUnsynced();
}

FaultFs::~FaultFs() {
  if (mounted_) fuse_unmount(fuse_);
  if (fuse_ != nullptr) fuse_destroy(fuse_);
}

}  // namespace pixferry::testing
