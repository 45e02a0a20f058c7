// POSIX side of folder identity and of the tree removal: openat/unlinkat on folder handles, so a
// name is only ever looked up in a folder already open, never through a whole path.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

constexpr std::int32_t kNotAFolder = -1;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

struct DirCloser {
  void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

// What the walk needs to know of an open folder.
struct Place {
  dev_t dev = 0;
  ino_t ino = 0;
  mode_t mode = 0;
  std::uint64_t mount_id = 0;
  bool has_mount_id = false;
  int mount_root = -1;  // 1 or 0 when the kernel tells, -1 when it cannot
};

bool SameFolder(const Place& a, const Place& b) {
  return a.dev == b.dev && a.ino == b.ino;
}

std::optional<Place> PlaceOf(int fd) {
  Place place;
#if defined(__linux__) && defined(STATX_MNT_ID)
  struct statx sx {};
  if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_MNT_ID, &sx) ==
      0) {
    place.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    place.ino = sx.stx_ino;
    place.mode = sx.stx_mode;
    if ((sx.stx_mask & STATX_MNT_ID) != 0) {
      place.mount_id = sx.stx_mnt_id;
      place.has_mount_id = true;
    }
#ifdef STATX_ATTR_MOUNT_ROOT
    if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
      place.mount_root = (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0 ? 1 : 0;
    }
#endif
    return place;
  }
  if (errno != ENOSYS) return std::nullopt;
#endif
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  place.dev = st.st_dev;
  place.ino = st.st_ino;
  place.mode = st.st_mode;
  return place;
}

// True when child, a folder met inside parent, is the root of a mount: a bind mount of the same
// file system included, which the device number alone would not show.
bool IsMountRoot(const Place& child, const Place& parent) {
  if (child.mount_root >= 0) return child.mount_root == 1;
  if (child.has_mount_id && parent.has_mount_id) return child.mount_id != parent.mount_id;
  return child.dev != parent.dev || SameFolder(child, parent);
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

int OpenFolderAt(int parent, const char* name) {
  return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A folder its owner may not read: the owner's rights are given back on a handle that needs no
// permission to open, then the folder is opened for listing through that same handle.
Fd OpenUnreadableFolder(int parent, const char* name) {
  Fd bare(::openat(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat before {};
  if (!bare || ::fstat(bare.get(), &before) != 0) return {};
  const std::string self = "/proc/self/fd/" + std::to_string(bare.get());
  if (::chmod(self.c_str(), (before.st_mode & 07777) | S_IRWXU) != 0) {
    errno = EACCES;
    return {};
  }
  Fd fd(::open(self.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat after {};
  if (!fd || ::fstat(fd.get(), &after) != 0 || after.st_dev != before.st_dev ||
      after.st_ino != before.st_ino) {
    errno = EACCES;
    return {};
  }
  return fd;
}

// Emptying a folder needs its owner's write and search rights; they are given on its handle.
void MakeEmptiable(int fd, const Place& place) {
  if ((place.mode & S_IRWXU) != S_IRWXU) ::fchmod(fd, (place.mode & 07777) | S_IRWXU);
}

int RemoveFolderAt(int parent, const std::string& name) {
  if (const int e = faults::Check(faults::Op::RemoveFolder)) return e;
  return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : ErrorFromErrno(errno);
}

// One folder of the walk, open or waiting for its subfolders to go.
struct Level {
  Place place;
  std::vector<std::string> subfolders;  // gathered while listing, entered afterwards
  std::size_t next = 0;
  int pending = 0;  // a listing that failed part-way, reported when the folder is removed
};

// Removes every entry of the folder open at fd that is not a folder, in listing order, and
// gathers the names of its subfolders. Returns 0 or the number of the failure that stops the walk.
int RemoveFilesOf(int fd, Level& level, const std::function<void()>& between_entries) {
  Fd copy(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  if (!copy) return ErrorFromErrno(errno);
  UniqueDir dir(::fdopendir(copy.get()));
  if (!dir) return ErrorFromErrno(errno);
  copy.release();
  for (;;) {
    if (const int e = faults::Check(faults::Op::ListingNext)) {
      level.pending = e;
      return 0;
    }
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) level.pending = ErrorFromErrno(errno);
      return 0;
    }
    if (IsDotEntry(entry->d_name)) continue;
    if (between_entries) between_entries();
    if (entry->d_type == DT_DIR) {
      level.subfolders.emplace_back(entry->d_name);
      continue;
    }
    // Any other kind (a file, a link, a FIFO, a device) goes as an entry and is never opened.
    if (const int e = faults::Check(faults::Op::RemoveFile)) return e;
    if (::unlinkat(fd, entry->d_name, 0) == 0) continue;
    const int unlink_error = errno;
    struct stat st {};
    if ((unlink_error == EISDIR || unlink_error == EPERM) &&
        ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
      level.subfolders.emplace_back(entry->d_name);  // a folder the listing could not tell
      continue;
    }
    return ErrorFromErrno(unlink_error);
  }
}

// For a path ending in "." or "..": the folder it names, found by identity in its real parent.
bool ResolveDots(Fd& parent, std::string& name) {
  Fd folder(::openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat self {};
  if (!folder || ::fstat(folder.get(), &self) != 0) return false;
  Fd up(::openat(folder.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat above {};
  if (!up || ::fstat(up.get(), &above) != 0) return false;
  if (above.st_dev == self.st_dev && above.st_ino == self.st_ino) return false;  // the root
  Fd copy(::fcntl(up.get(), F_DUPFD_CLOEXEC, 0));
  UniqueDir dir(copy ? ::fdopendir(copy.get()) : nullptr);
  if (!dir) return false;
  copy.release();
  while (const dirent* entry = ::readdir(dir.get())) {
    if (IsDotEntry(entry->d_name)) continue;
    struct stat st {};
    if (::fstatat(up.get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        st.st_dev == self.st_dev && st.st_ino == self.st_ino) {
      name = entry->d_name;
      parent = std::move(up);
      return true;
    }
  }
  return false;
}

std::string IdentityText(const Place& place) {
  return std::to_string(static_cast<unsigned long long>(place.dev)) + ":" +
         std::to_string(static_cast<unsigned long long>(place.ino));
}

}  // namespace

std::optional<FolderIdentity> IdentifyFolder(const std::string& path) {
  if (path.empty()) return std::nullopt;
  Fd fd(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::optional<Place> place = PlaceOf(fd.get());
  if (!place) return std::nullopt;
  FolderIdentity identity;
  for (;;) {
    identity.chain.push_back(IdentityText(*place));
    Fd up(::openat(fd.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::optional<Place> above = up ? PlaceOf(up.get()) : std::nullopt;
    if (!above) break;
    if (identity.chain.size() == 1) identity.is_root = IsMountRoot(*place, *above);
    if (SameFolder(*place, *above)) break;
    fd = std::move(up);
    place = above;
  }
  return identity;
}

std::optional<FolderIdentity> IdentifyNearestFolder(const std::string& path) {
  std::string at = path;
  for (;;) {
    if (std::optional<FolderIdentity> identity = IdentifyFolder(at)) return identity;
    while (at.size() > 1 && at.back() == '/') at.pop_back();
    const std::size_t slash = at.rfind('/');
    if (slash == std::string::npos) return IdentifyFolder(".");
    if (slash == 0) return IdentifyFolder("/");
    at.resize(slash);
  }
}

std::string PlatformFolderPath(std::string path) {
  return path;
}

std::int32_t RemoveFolderTree(const std::string& path,
                              const std::function<void()>& between_entries) {
  std::size_t end = path.size();
  while (end > 0 && path[end - 1] == '/') --end;
  const std::size_t slash = path.rfind('/', end == 0 ? 0 : end - 1);
  if (end == 0 || slash == std::string::npos) return kNotAFolder;
  std::string name = path.substr(slash + 1, end - slash - 1);
  // The folders above the source are taken as the path spells them, links included.
  const std::string above = slash == 0 ? std::string("/") : path.substr(0, slash);
  Fd parent(::open(above.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!parent) return errno == ENOENT || errno == ENOTDIR ? kNotAFolder : ErrorFromErrno(errno);
  if ((name == "." || name == "..") && !ResolveDots(parent, name)) return kNotAFolder;

  if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
  Fd current(OpenFolderAt(parent.get(), name.c_str()));
  if (!current && (errno == ELOOP || errno == ENOTDIR)) {
    struct stat st {};
    if (::fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode)) {
      return kNotAFolder;
    }
    if (const int e = faults::Check(faults::Op::RemoveFile)) return e;
    return ::unlinkat(parent.get(), name.c_str(), 0) == 0 ? 0 : ErrorFromErrno(errno);
  }
  if (!current && errno == EACCES) current = OpenUnreadableFolder(parent.get(), name.c_str());
  if (!current) return errno == ENOENT ? kNotAFolder : ErrorFromErrno(errno);
  const std::optional<Place> parent_place = PlaceOf(parent.get());
  const std::optional<Place> top_place = PlaceOf(current.get());
  if (!parent_place || !top_place) return ErrorFromErrno(errno);
  if (IsMountRoot(*top_place, *parent_place)) return kNotAFolder;

  // One handle open at a time however deep the tree: the way back up is "..", checked against
  // the folder that was left, so a folder moved meanwhile stops the walk instead of misleading it.
  std::vector<Level> levels(1);
  levels.back().place = *top_place;
  MakeEmptiable(current.get(), *top_place);
  if (const int e = RemoveFilesOf(current.get(), levels.back(), between_entries)) return e;
  while (levels.size() > 1 || levels.back().next < levels.back().subfolders.size()) {
    Level& level = levels.back();
    if (level.next < level.subfolders.size()) {
      const std::string& sub = level.subfolders[level.next++];
      if (between_entries) between_entries();
      if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
      Fd child(OpenFolderAt(current.get(), sub.c_str()));
      if (!child && errno == EACCES) child = OpenUnreadableFolder(current.get(), sub.c_str());
      if (!child) {
        // Gone, or no longer a folder (a link put in its place is not followed).
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) return kNotAFolder;
        return ErrorFromErrno(errno);
      }
      const std::optional<Place> place = PlaceOf(child.get());
      if (!place) return ErrorFromErrno(errno);
      // Something mounted here is not the card's to lose: the walk stops, as at a busy folder.
      if (IsMountRoot(*place, level.place)) return ErrorFromErrno(EBUSY);
      MakeEmptiable(child.get(), *place);
      current = std::move(child);
      levels.emplace_back().place = *place;
      if (const int e = RemoveFilesOf(current.get(), levels.back(), between_entries)) return e;
      continue;
    }
    const int pending = level.pending;
    Fd up(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!up) return ErrorFromErrno(errno);
    const std::optional<Place> up_place = PlaceOf(up.get());
    levels.pop_back();
    Level& parent_level = levels.back();
    if (!up_place || !SameFolder(*up_place, parent_level.place)) return err::kPathFileAccessError;
    current = std::move(up);
    const int removed =
        RemoveFolderAt(current.get(), parent_level.subfolders[parent_level.next - 1]);
    if (removed != 0) return removed;
    if (pending != 0) return pending;
    parent_level.pending = 0;
  }
  current = Fd();
  const int removed = RemoveFolderAt(parent.get(), name);
  return removed != 0 ? removed : levels.back().pending;
}

}  // namespace pixferry
