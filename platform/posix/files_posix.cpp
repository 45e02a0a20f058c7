// POSIX side of the file-system services. A name beginning with "." counts as hidden, nothing is
// a system file, and read-only means the owner may not write.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"

namespace pixferry {
namespace {

bool HasWildcard(std::string_view s) {
  return s.find_first_of("*?") != std::string_view::npos;
}

bool IsDotEntry(std::string_view name) {
  return name == "." || name == "..";
}

bool IsHiddenName(std::string_view name) {
  return !name.empty() && name.front() == '.' && !IsDotEntry(name);
}

// The last component of a path, ignoring trailing separators.
std::string_view BaseName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const std::size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

// ENOENT means "file not found" when the folder exists and "path not found" when it does not,
// as the two numbers read on Windows.
int PathError(const std::string& path, int e) {
  if (e != ENOENT) return ErrorFromErrno(e);
  struct stat st {};
  const std::string parent = ParentOf(path);
  if (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return err::kFileNotFound;
  return err::kPathNotFound;
}

// Attributes from an lstat result; links report kLink and, when they lead to a folder, the folder
// bit, so that walks can see a folder entry without entering it.
int AttributesOf(const struct stat& lst, std::string_view name, int dir_fd, const char* at_name) {
  int a = 0;
  if (S_ISLNK(lst.st_mode)) {
    a |= attr::kLink;
    struct stat target {};
    if (::fstatat(dir_fd, at_name, &target, 0) == 0 && S_ISDIR(target.st_mode)) {
      a |= attr::kDirectory;
    }
  } else {
    if (S_ISDIR(lst.st_mode)) a |= attr::kDirectory;
    if ((lst.st_mode & S_IWUSR) == 0) a |= attr::kReadOnly;
  }
  if (IsHiddenName(name)) a |= attr::kHidden;
  return a;
}

bool PassesMask(int attributes, int mask) {
  if ((attributes & attr::kDirectory) && !(mask & attr::kDirectory)) return false;
  if ((attributes & attr::kHidden) && !(mask & attr::kHidden)) return false;
  if ((attributes & attr::kSystem) && !(mask & attr::kSystem)) return false;
  return true;
}

// One whole path, taken as it is written: "*" and "?" are plain characters and a leading "."
// hides nothing, since the caller names the entry it wants. Sets found to the entry's name.
int LookUpExactPath(const std::string& path, int mask, std::optional<std::string>& found) {
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? 0 : ErrorFromErrno(errno);
  }
  if (PassesMask(AttributesOf(lst, {}, AT_FDCWD, path.c_str()), mask)) {
    found = std::string(BaseName(path));
  }
  return 0;
}

}  // namespace

struct Listing::Impl {
  ~Impl() {
    if (dir != nullptr) ::closedir(dir);
  }

  DIR* dir = nullptr;
  std::string name_pattern;
  int mask = 0;
  int error = 0;
  std::optional<std::string> single;  // the one answer of a bare-path lookup
};

Listing::Listing(std::string_view pattern, int mask) : impl_(std::make_unique<Impl>()) {
  impl_->mask = mask;
  if ((impl_->error = faults::Check(faults::Op::ListingOpen)) != 0) return;
  const std::size_t slash = pattern.rfind('/');
  std::string folder;
  std::string_view name_pattern;
  if (slash == std::string_view::npos) {
    folder = ".";
    name_pattern = pattern;
  } else {
    folder = std::string(pattern.substr(0, slash == 0 ? 1 : slash));
    name_pattern = pattern.substr(slash + 1);
  }

  if (!name_pattern.empty() && !HasWildcard(name_pattern)) {
    impl_->error = LookUpExactPath(std::string(pattern), mask, impl_->single);
    return;
  }

  impl_->name_pattern = std::string(name_pattern);
  impl_->dir = ::opendir(folder.c_str());
  if (impl_->dir == nullptr && errno != ENOENT && errno != ENOTDIR) {
    impl_->error = ErrorFromErrno(errno);
  }
}

Listing::~Listing() = default;
Listing::Listing(Listing&&) noexcept = default;
Listing& Listing::operator=(Listing&&) noexcept = default;

int Listing::error() const noexcept {
  return impl_->error;
}

std::optional<std::string> Listing::Next() {
  Impl& s = *impl_;
  if (s.single) {
    std::optional<std::string> result = std::move(s.single);
    s.single.reset();
    return result;
  }
  if (s.dir == nullptr) return std::nullopt;
  for (;;) {
    const int fault = faults::Check(faults::Op::ListingNext);
    errno = 0;
    const dirent* entry = fault == 0 ? ::readdir(s.dir) : nullptr;
    if (entry == nullptr) {
      // A failure part-way ends the listing; it never repeats an entry.
      if (fault != 0 || errno != 0) s.error = fault != 0 ? fault : ErrorFromErrno(errno);
      ::closedir(s.dir);
      s.dir = nullptr;
      return std::nullopt;
    }
    const std::string_view name = entry->d_name;
    if (IsDotEntry(name)) {
      if (s.mask & attr::kDirectory) return std::string(name);
      continue;
    }
    if (!MatchesNamePattern(name, s.name_pattern)) continue;
    if (IsHiddenName(name) && !(s.mask & attr::kHidden)) continue;

    // d_type spares a stat per entry for plain files and folders, which keeps large card
    // folders quick; links and unknown types need the real look.
    bool is_dir = false;
    switch (entry->d_type) {
      case DT_REG:
        break;
      case DT_DIR:
        is_dir = true;
        break;
      default: {
        struct stat st {};
        if (::fstatat(::dirfd(s.dir), entry->d_name, &st, 0) == 0) {
          is_dir = S_ISDIR(st.st_mode);
        }
        break;
      }
    }
    if (is_dir && !(s.mask & attr::kDirectory)) continue;
    return std::string(name);
  }
}

bool ListingFindsEntry(std::string_view pattern, int mask) {
  // A path that ends in the separator asks about the folder's contents, as a listing does.
  if (!pattern.empty() && pattern.back() != '/') {
    std::optional<std::string> found;
    if (const int e = faults::Check(faults::Op::ListingOpen)) throw RuntimeError(e);
    ThrowIfError(LookUpExactPath(std::string(pattern), mask, found));
    return found.has_value();
  }
  Listing listing(pattern, mask);
  const bool found = listing.Next().has_value();
  if (!found && listing.error() != 0) throw RuntimeError(listing.error());
  return found;
}

int TryReadAttributes(const std::string& path, int& attributes) noexcept {
  if (const int e = faults::Check(faults::Op::ReadAttributes)) return e;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) != 0) return PathError(path, errno);
  attributes = AttributesOf(lst, BaseName(path), AT_FDCWD, path.c_str());
  return 0;
}

int ReadAttributes(const std::string& path) {
  int attributes = 0;
  ThrowIfError(TryReadAttributes(path, attributes));
  return attributes;
}

int TryWriteAttributes(const std::string& path, int attributes) noexcept {
  if (const int e = faults::Check(faults::Op::WriteAttributes)) return e;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) != 0) return PathError(path, errno);
  if (S_ISLNK(lst.st_mode)) return 0;  // a link has no attributes of its own here
  mode_t mode = lst.st_mode & 07777;
  mode = (attributes & attr::kReadOnly) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
  if (mode == (lst.st_mode & 07777)) return 0;
  if (::chmod(path.c_str(), mode) != 0) return PathError(path, errno);
  return 0;
}

void WriteAttributes(const std::string& path, int attributes) {
  ThrowIfError(TryWriteAttributes(path, attributes));
}

int TryMakeFolder(const std::string& path) noexcept {
  if (const int e = faults::Check(faults::Op::MakeFolder)) return e;
  if (::mkdir(path.c_str(), 0777) == 0) return 0;
  if (errno == EEXIST) return err::kPathFileAccessError;
  if (errno == ENOENT) return err::kPathNotFound;
  return ErrorFromErrno(errno);
}

void MakeFolder(const std::string& path) {
  ThrowIfError(TryMakeFolder(path));
}

int TryRemoveFolder(const std::string& path) noexcept {
  if (const int e = faults::Check(faults::Op::RemoveFolder)) return e;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) != 0) {
    return errno == ENOENT ? err::kPathNotFound : ErrorFromErrno(errno);
  }
  if (S_ISLNK(lst.st_mode)) {
    // Removing a link to a folder removes the link only, never what it leads to.
    return ::unlink(path.c_str()) == 0 ? 0 : ErrorFromErrno(errno);
  }
  if (!S_ISDIR(lst.st_mode)) return err::kPathNotFound;
  if (::rmdir(path.c_str()) == 0) return 0;
  return ErrorFromErrno(errno);
}

void RemoveFolder(const std::string& path) {
  ThrowIfError(TryRemoveFolder(path));
}

int TryRemoveFile(const std::string& path) noexcept {
  if (const int e = faults::Check(faults::Op::RemoveFile)) return e;
  // Unlink first and look only when it fails: a tree of many files costs one call per file.
  // unlink never removes a folder, and removes a link itself, not what it leads to.
  if (::unlink(path.c_str()) == 0) return 0;
  const int unlink_error = errno;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISDIR(lst.st_mode)) {
    return err::kFileNotFound;  // a folder is no file
  }
  return PathError(path, unlink_error);
}

void RemoveFile(const std::string& path) {
  ThrowIfError(TryRemoveFile(path));
}

bool IsMountPoint(const std::string& path) noexcept {
  struct stat self {};
  if (::lstat(path.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) return false;
  std::string up = path;
  while (up.size() > 1 && up.back() == '/') up.pop_back();
  up += "/..";
  struct stat parent {};
  if (::stat(up.c_str(), &parent) != 0) return false;
  // A different device, or a folder that is its own parent (the root), marks a mount point.
  return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE) throw RuntimeError(ErrorFromErrno(errno));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace pixferry
