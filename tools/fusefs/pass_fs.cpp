#define FUSE_USE_VERSION 31

#include "tools/fusefs/pass_fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace pixferry::fusefs {
namespace {

// A card answers reads of at most 128 KiB, as the reference card does.
constexpr unsigned kCardMaxRead = 131072;

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

// kWrapsAround: where the bytes of every file written lie on the counterfeit disk. Positions are
// given out in the order bytes are first written and never reused, so a removed file's bytes keep
// their place (its descriptor is kept, which also keeps its inode number from being reused).
class WrapLayout {
 public:
  explicit WrapLayout(std::uint64_t capacity) : capacity_(capacity) {}
  ~WrapLayout() {
    for (const auto& [inode, file] : files_) close(file.fd);
  }
  WrapLayout(const WrapLayout&) = delete;
  WrapLayout& operator=(const WrapLayout&) = delete;

  // Stores data as the bytes [offset, offset + size) of the file open as fd: at their places,
  // and so over every other byte whose place is the same modulo the capacity. False with errno.
  bool Write(int fd, const char* data, std::size_t size, std::uint64_t offset) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    const std::lock_guard lock(lock_);
    File& file = files_[st.st_ino];
    if (file.fd < 0 && (file.fd = dup(fd)) < 0) return false;
    for (const Run& run : Place(st.st_ino, file, offset, size)) {
      if (!Store(data + (run.offset - offset), run.length, run.position)) return false;
    }
    return true;
  }

 private:
  struct Run {
    std::uint64_t offset, position, length;  // bytes of a file, and where they lie
  };
  struct Piece {
    ino_t inode;
    std::uint64_t offset, length;  // bytes of that file
  };
  struct File {
    int fd = -1;
    std::map<std::uint64_t, Run> runs;  // by offset in the file
  };

  // The places of [offset, offset + size) of a file, given out now to the bytes that have none.
  std::vector<Run> Place(ino_t inode, File& file, std::uint64_t offset, std::size_t size) {
    std::vector<Run> out;
    const std::uint64_t end = offset + size;
    auto it = file.runs.upper_bound(offset);
    if (it != file.runs.begin() &&
        std::prev(it)->second.offset + std::prev(it)->second.length > offset) {
      --it;
    }
    for (std::uint64_t at = offset; at < end;) {
      if (it != file.runs.end() && it->second.offset <= at) {
        const Run& run = it->second;
        const std::uint64_t length = std::min(end, run.offset + run.length) - at;
        out.push_back({at, run.position + (at - run.offset), length});
        at += length;
        ++it;
        continue;
      }
      const std::uint64_t gap_end = it != file.runs.end() ? std::min(end, it->second.offset) : end;
      out.push_back(Append(inode, file, at, gap_end - at));
      at = gap_end;
    }
    return out;
  }

  // Gives the next places to bytes of a file, one piece with the file's last run where they
  // continue it: a copy written in order stays one piece.
  Run Append(ino_t inode, File& file, std::uint64_t offset, std::uint64_t length) {
    const Run run{offset, next_, length};
    next_ += length;
    auto before = file.runs.lower_bound(offset);
    if (before != file.runs.begin()) {
      Run& last = std::prev(before)->second;
      if (last.offset + last.length == offset && last.position + last.length == run.position) {
        last.length += length;
        by_position_[last.position].length += length;
        return run;
      }
    }
    file.runs.emplace(offset, run);
    by_position_.emplace(run.position, Piece{inode, offset, length});
    return run;
  }

  // Writes the bytes for places [position, position + length) into every file whose bytes are
  // stored where they are.
  bool Store(const char* data, std::uint64_t length, std::uint64_t position) {
    while (length > 0) {
      const std::uint64_t stored_at = position % capacity_;
      const std::uint64_t chunk = std::min(length, capacity_ - stored_at);
      for (std::uint64_t same = stored_at; same < next_; same += capacity_) {
        if (!StoreOver(data, chunk, same)) return false;
      }
      data += chunk;
      length -= chunk;
      position += chunk;
    }
    return true;
  }

  bool StoreOver(const char* data, std::uint64_t length, std::uint64_t position) {
    auto it = by_position_.upper_bound(position);
    if (it != by_position_.begin()) --it;
    for (; it != by_position_.end() && it->first < position + length; ++it) {
      const Piece& piece = it->second;
      const std::uint64_t from = std::max(position, it->first);
      const std::uint64_t to = std::min(position + length, it->first + piece.length);
      if (from >= to) continue;
      const off_t at = static_cast<off_t>(piece.offset + (from - it->first));
      if (!WriteAll(files_[piece.inode].fd, data + (from - position), to - from, at)) return false;
    }
    return true;
  }

  const std::uint64_t capacity_;
  std::mutex lock_;
  std::uint64_t next_ = 0;
  std::map<ino_t, File> files_;
  std::map<std::uint64_t, Piece> by_position_;
};

}  // namespace

struct PassFsState {
  int root_fd = -1;
  Options options;
  std::atomic<bool> gone{false};  // kGoneAfter: the card has been pulled out
  // kForgetsUnsynced: a descriptor of each file written since its last fsync, by inode.
  std::mutex unsynced_lock;
  std::map<ino_t, int> unsynced;
  std::unique_ptr<WrapLayout> layout;  // kWrapsAround
  // kCard: when the card's bus is free again. The card is served one request at a time.
  std::chrono::steady_clock::time_point free_at = std::chrono::steady_clock::now();

  Mode mode() const { return options.mode; }
  bool read_only() const { return options.mode == Mode::kCard; }

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
      if (ftruncate(fd, 0) != 0) std::perror("pass_fs: cannot forget a file");
      close(fd);
    }
    unsynced.clear();
  }

  // kCard: the card's bus carries `bytes` after what it carries already; waits until they are
  // through, counted from now when the bus is idle.
  void Carry(std::size_t bytes) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    free_at = std::max(now, free_at) +
              std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                  static_cast<double>(bytes) / options.card.bytes_per_second));
    std::this_thread::sleep_until(free_at);
  }

  ~PassFsState() {
    if (root_fd >= 0) close(root_fd);
  }
};

namespace {

PassFsState& Self() {
  return *static_cast<PassFsState*>(fuse_get_context()->private_data);
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

// The kernel refuses changes on a read-only mount already; a card refuses them itself too.
bool ReadOnly() {
  return Self().read_only();
}

// The kernel owns appends and reads back partly written pages while it caches writes, so every
// file it opens for writing is opened for reading too; direct I/O is the kernel's business, the
// backing file is read with ordinary buffers.
int BackingFlags(int flags) {
  if ((flags & O_ACCMODE) == O_WRONLY) flags = (flags & ~O_ACCMODE) | O_RDWR;
  return flags & ~(O_APPEND | O_DIRECT);
}

void* Init(fuse_conn_info* conn, fuse_config* cfg) {
  const Mode mode = Self().mode();
  // The writer's cache must hold what it wrote while the stored bytes may differ.
  if (mode != Mode::kCard && (conn->capable & FUSE_CAP_WRITEBACK_CACHE)) {
    conn->want |= FUSE_CAP_WRITEBACK_CACHE;
  }
  // Agrees with the mount's max_read.
  if (mode == Mode::kCard) conn->max_read = kCardMaxRead;
  // A disk that wraps around changes files nobody writes to: an opening reads the storage.
  cfg->kernel_cache = mode == Mode::kWrapsAround ? 0 : 1;
  // An unlinked open file goes away in the backing folder too, not into a hidden leftover.
  cfg->hard_remove = 1;
  cfg->nullpath_ok = 1;
  // A card that is gone must not live on in the kernel's caches of names and attributes.
  if (mode == Mode::kGoneAfter) {
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
  if (ReadOnly()) return -EROFS;
  return mkdirat(Self().root_fd, Relative(path), mode) == 0 ? 0 : Fail();
}

int Unlink(const char* path) {
  if (ReadOnly()) return -EROFS;
  return unlinkat(Self().root_fd, Relative(path), 0) == 0 ? 0 : Fail();
}

int Rename(const char* from, const char* to, unsigned int flags) {
  if (ReadOnly()) return -EROFS;
  const int root = Self().root_fd;
  return renameat2(root, Relative(from), root, Relative(to), flags) == 0 ? 0 : Fail();
}

int SetTimes(const char* path, const timespec times[2], fuse_file_info* fi) {
  if (ReadOnly()) return -EROFS;
  const int rc = fi != nullptr
                     ? futimens(static_cast<int>(fi->fh), times)
                     : utimensat(Self().root_fd, Relative(path), times, AT_SYMLINK_NOFOLLOW);
  return rc == 0 ? 0 : Fail();
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
  if (ReadOnly()) return -EROFS;
  const int fd = openat(Self().root_fd, Relative(path), BackingFlags(fi->flags) | O_CLOEXEC, mode);
  if (fd < 0) return Fail();
  fi->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Open(const char* path, fuse_file_info* fi) {
  PassFsState& self = Self();
  if (self.gone) return -EIO;
  if (self.read_only()) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC)) return -EROFS;
    std::this_thread::sleep_for(std::chrono::duration<double>(self.options.card.open_seconds));
    fi->keep_cache = 1;
  }
  const int fd = openat(self.root_fd, Relative(path), BackingFlags(fi->flags) | O_CLOEXEC);
  if (fd < 0) return Fail();
  fi->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const int fd = static_cast<int>(fi->fh);
  PassFsState& self = Self();
  if (self.gone) return -EIO;
  if (self.mode() == Mode::kGoneAfter) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return Fail();
    // The kernel asks for whole pages past the end; only bytes the file has count.
    const auto end = std::min<std::uint64_t>(static_cast<std::uint64_t>(offset) + size,
                                             static_cast<std::uint64_t>(st.st_size));
    // The whole request fails: a short answer would read as the end of the file.
    if (end > self.options.limit) {
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
  if (self.mode() == Mode::kCard) self.Carry(done);
  return static_cast<int>(done);
}

int Write(const char*, const char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const int fd = static_cast<int>(fi->fh);
  PassFsState& self = Self();
  const auto start = static_cast<std::uint64_t>(offset);
  const std::uint64_t end = start + size;
  const std::uint64_t limit = self.options.limit;
  switch (self.mode()) {
    case Mode::kCorruptStored:
      if (start <= limit && limit < end) {
        std::vector<char> wrong(buf, buf + size);
        wrong[limit - start] = static_cast<char>(~wrong[limit - start]);
        if (!WriteAll(fd, wrong.data(), size, offset)) return Fail();
        return static_cast<int>(size);
      }
      break;
    case Mode::kWrapsAround:
      return self.layout->Write(fd, buf, size, start) ? static_cast<int>(size) : Fail();
    case Mode::kCard:
      return -EROFS;
    case Mode::kGoneAfter:
      break;
    case Mode::kForgetsUnsynced:
      self.Note(fd, false);
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
  if (Self().mode() == Mode::kForgetsUnsynced) Self().Note(fd, true);
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

// The layout keeps a descriptor of every file written: as many as the system allows.
void RaiseFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace

PassFs::PassFs(const std::string& backing, const std::string& mount_point, const Options& options)
    : state_(std::make_unique<PassFsState>()) {
  state_->options = options;
  if (options.mode == Mode::kWrapsAround) {
    if (options.limit == 0) {
      error_ = "a disk that wraps around needs a size";
      return;
    }
    state_->layout = std::make_unique<WrapLayout>(options.limit);
    RaiseFileLimit();
  }
  if (options.mode == Mode::kCard && !(options.card.bytes_per_second > 0)) {
    error_ = "a card needs a speed";
    return;
  }
  state_->root_fd = open(backing.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (state_->root_fd < 0) {
    error_ = "cannot open the backing folder " + backing + ": " + std::strerror(errno);
    return;
  }
  std::string names =
      options.mode == Mode::kCard
          ? "fsname=pixferry-card,subtype=pixferry,ro,max_read=" + std::to_string(kCardMaxRead)
          : "fsname=pixferry-faultfs,subtype=pixferry";
  char program[] = "pixferry-fusefs";
  char option[] = "-o";
  char* argv[] = {program, option, names.data(), nullptr};
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

void PassFs::Serve() {
  if (mounted_) {
    if (state_->options.mode == Mode::kCard) {
      fuse_loop(fuse_);
    } else {
      fuse_loop_mt(fuse_, 0);
    }
  }
  state_->ForgetUnsynced();
}

PassFs::~PassFs() {
  if (mounted_) fuse_unmount(fuse_);
  if (fuse_ != nullptr) fuse_destroy(fuse_);
}

}  // namespace pixferry::fusefs
