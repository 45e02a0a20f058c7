// Windows side of folder identity and of the tree removal. Every folder of the walk is opened on
// the folder itself (never through a link) and kept open without delete sharing until it is
// removed, so no folder above the one being emptied can be renamed or swapped meanwhile; each
// entry is opened on itself, checked to be the entry listed, and deleted through its handle.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/tree.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"

namespace pixferry {
namespace {

constexpr std::int32_t kNotAFolder = -1;

// Newer than the headers' default target; the walk asks for them and falls back without them.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;
struct DispositionInfoEx {
  DWORD Flags;
};

std::wstring FinalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n + 1);
  }
}

// The part of an extended path after its root ("\\?\C:\", "\\?\UNC\server\share\").
std::size_t RootLength(const std::wstring& path) {
  std::size_t at = 0;
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    at = path.find(L'\\', 8);
    at = at == std::wstring::npos ? path.size() : path.find(L'\\', at + 1);
    return at == std::wstring::npos ? path.size() : at + 1;
  }
  if (path.rfind(L"\\\\?\\", 0) == 0) at = 4;
  const std::size_t slash = path.find(L'\\', at);
  return slash == std::wstring::npos ? path.size() : slash + 1;
}

UniqueHandle OpenForIdentity(const std::wstring& path) {
  return OwnHandle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Volume and file ID of an open file: the 128-bit form where the system has it.
std::optional<std::string> IdentityOf(HANDLE handle) {
  FILE_ID_INFO id{};
  if (::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    std::string text = "v" + std::to_string(id.VolumeSerialNumber) + ":";
    static const char kHex[] = "0123456789abcdef";
    for (unsigned char byte : id.FileId.Identifier) {
      text += kHex[byte >> 4];
      text += kHex[byte & 15];
    }
    return text;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return "s" + std::to_string(info.dwVolumeSerialNumber) + ":" +
         std::to_string((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) |
                        info.nFileIndexLow);
}

struct Entry {
  std::wstring name;
  DWORD attributes = 0;
  LARGE_INTEGER id{};
  bool has_id = false;
};

// Lists the folder open at handle, one batch at a time; false at the end, or after a failure
// (error then set).
class HandleListing {
 public:
  explicit HandleListing(HANDLE handle) : handle_(handle), buffer_(64 * 1024) {}

  bool Next(Entry& entry) {
    while (offset_ == kNone) {
      if (!Fill()) return false;
    }
    if (with_ids_) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer_.data() + offset_);
      entry.name.assign(info->FileName, info->FileNameLength / sizeof(WCHAR));
      entry.attributes = info->FileAttributes;
      entry.id = info->FileId;
      entry.has_id = true;
      offset_ = info->NextEntryOffset == 0 ? kNone : offset_ + info->NextEntryOffset;
    } else {
      const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer_.data() + offset_);
      entry.name.assign(info->FileName, info->FileNameLength / sizeof(WCHAR));
      entry.attributes = info->FileAttributes;
      entry.has_id = false;
      offset_ = info->NextEntryOffset == 0 ? kNone : offset_ + info->NextEntryOffset;
    }
    return true;
  }
  int error() const { return error_; }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  bool Fill() {
    if (done_) return false;
    if (const int e = faults::Check(faults::Op::ListingNext)) {
      error_ = e;
      done_ = true;
      return false;
    }
    const DWORD size = static_cast<DWORD>(buffer_.size());
    BOOL ok = FALSE;
    if (with_ids_) {
      ok = ::GetFileInformationByHandleEx(
          handle_, first_ ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo,
          buffer_.data(), size);
      if (!ok && first_ && ::GetLastError() == ERROR_INVALID_PARAMETER) with_ids_ = false;
    }
    if (!with_ids_) {
      ok = ::GetFileInformationByHandleEx(
          handle_, first_ ? FileFullDirectoryRestartInfo : FileFullDirectoryInfo, buffer_.data(),
          size);
    }
    first_ = false;
    if (!ok) {
      const DWORD e = ::GetLastError();
      if (e != ERROR_NO_MORE_FILES) error_ = ErrorFromWin32(e);
      done_ = true;
      return false;
    }
    offset_ = 0;
    return true;
  }

  HANDLE handle_;
  std::vector<unsigned char> buffer_;  // DWORD-aligned by the allocator
  std::size_t offset_ = kNone;
  bool first_ = true;
  bool with_ids_ = true;
  bool done_ = false;
  int error_ = 0;
};

bool IsDotEntry(const std::wstring& name) {
  return name == L"." || name == L"..";
}

bool IsLink(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Opens one entry on itself: a link, junction or mount point is opened as such, never followed.
UniqueHandle OpenEntry(const std::wstring& path, DWORD access, DWORD share) {
  return OwnHandle(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
}

// True when the open entry is the one the listing showed, by file ID.
bool IsListedEntry(HANDLE handle, const Entry& entry) {
  if (!entry.has_id) return true;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  const unsigned long long id =
      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return id == static_cast<unsigned long long>(entry.id.QuadPart);
}

// Clears the read-only attribute through the handle; other attributes stay.
bool ClearReadOnly(HANDLE handle) {
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
  if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

// Deletes the open file or empty folder. With POSIX semantics the name goes at once and a
// read-only file goes without its attribute being touched (its other names keep it); where the
// system lacks them, the read-only attribute is cleared on the handle first.
int DeleteByHandle(HANDLE handle, DWORD attributes) {
  DispositionInfoEx ex{kDispositionDelete | kDispositionPosixSemantics |
                       kDispositionIgnoreReadOnly};
  if (::SetFileInformationByHandle(handle, kFileDispositionInfoEx, &ex, sizeof ex)) return 0;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 && !ClearReadOnly(handle)) return LastError();
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) {
    return 0;
  }
  const DWORD e = ::GetLastError();
  return e == ERROR_DIR_NOT_EMPTY ? err::kPathFileAccessError : ErrorFromWin32(e);
}

constexpr DWORD kEntryAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
constexpr DWORD kFolderAccess = kEntryAccess | FILE_LIST_DIRECTORY | SYNCHRONIZE;
// Others may keep reading and writing, but nothing may rename or delete a folder of the walk.
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A file, or a link of any kind, removed as an entry.
int RemoveEntry(const std::wstring& folder, const Entry& entry) {
  if (const int e = faults::Check(faults::Op::RemoveFile)) return e;
  const UniqueHandle handle = OpenEntry(folder + L"\\" + entry.name, kEntryAccess,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!handle) return LastError();
  if (!IsListedEntry(handle.get(), entry)) return err::kPathFileAccessError;
  return DeleteByHandle(handle.get(), entry.attributes);
}

struct Level {
  UniqueHandle handle;
  std::wstring path;  // extended path, to name the entries opened in it
  DWORD attributes = 0;
  int delete_error = 0;  // the folder could be listed but not opened for deletion
  std::vector<Entry> subfolders;
  std::size_t next = 0;
  int pending = 0;
};

// Opens a folder of the walk. A folder in use elsewhere is still emptied; its own removal then
// fails with the reason.
std::optional<Level> OpenFolder(const std::wstring& path) {
  Level level;
  level.path = path;
  level.handle = OpenEntry(path, kFolderAccess, kFolderShare);
  if (!level.handle && ::GetLastError() == ERROR_SHARING_VIOLATION) {
    level.delete_error = LastError();
    level.handle = OpenEntry(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  }
  if (!level.handle) return std::nullopt;
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(level.handle.get(), FileBasicInfo, &basic, sizeof basic)) {
    return std::nullopt;
  }
  level.attributes = basic.FileAttributes;
  return level;
}

// Removes the files and links of the folder in listing order and gathers its subfolders.
int RemoveFilesOf(Level& level, const std::function<void()>& between_entries) {
  HandleListing listing(level.handle.get());
  Entry entry;
  while (listing.Next(entry)) {
    if (IsDotEntry(entry.name)) continue;
    if (between_entries) between_entries();
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(entry.attributes)) {
      level.subfolders.push_back(entry);
      continue;
    }
    if (const int e = RemoveEntry(level.path, entry)) return e;
  }
  level.pending = listing.error();
  return 0;
}

// Removes the emptied folder of level through its own handle; read-only folders are cleared first.
int RemoveFolder(Level& level) {
  if (const int e = faults::Check(faults::Op::RemoveFolder)) return e;
  if (level.delete_error != 0) return level.delete_error;
  if ((level.attributes & FILE_ATTRIBUTE_READONLY) != 0 && !ClearReadOnly(level.handle.get())) {
    return LastError();
  }
  const int e = DeleteByHandle(level.handle.get(), 0);
  level.handle.reset();
  return e;
}

bool IsNotThere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME ||
         error == ERROR_NOT_READY || error == ERROR_INVALID_DRIVE || error == ERROR_DIRECTORY;
}

}  // namespace

std::optional<FolderIdentity> IdentifyFolder(const std::string& path) {
  if (path.empty()) return std::nullopt;
  try {
    const std::wstring wide = LongPath(path);
    UniqueHandle handle = OpenForIdentity(wide);
    if (!handle) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return std::nullopt;
    }
    FolderIdentity identity;
    std::wstring final_path = FinalPath(handle.get());
    identity.is_root =
        IsMountPoint(path) || (!final_path.empty() && final_path.size() <= RootLength(final_path));
    for (;;) {
      const std::optional<std::string> id = IdentityOf(handle.get());
      if (!id) break;
      identity.chain.push_back(*id);
      if (final_path.empty()) break;
      while (final_path.size() > RootLength(final_path) && final_path.back() == L'\\') {
        final_path.pop_back();
      }
      if (final_path.size() <= RootLength(final_path)) break;
      const std::size_t slash = final_path.rfind(L'\\');
      final_path.resize(slash < RootLength(final_path) ? RootLength(final_path) : slash);
      handle = OpenForIdentity(final_path);
      if (!handle) break;
      final_path = FinalPath(handle.get());
    }
    if (identity.chain.empty()) return std::nullopt;
    return identity;
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<FolderIdentity> IdentifyNearestFolder(const std::string& path) {
  std::string at = path;
  for (;;) {
    if (std::optional<FolderIdentity> identity = IdentifyFolder(at)) return identity;
    while (!at.empty() && (at.back() == '\\' || at.back() == '/')) at.pop_back();
    const std::size_t slash = at.find_last_of("\\/");
    if (slash == std::string::npos) return IdentifyFolder(".");
    at.resize(slash + 1);
  }
}

std::string PlatformFolderPath(std::string path) {
  const std::size_t first = path.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return path.substr(first, path.find_last_not_of(' ') - first + 1);
}

std::int32_t RemoveFolderTree(const std::string& path,
                              const std::function<void()>& between_entries) {
  try {
    if (IsMountPoint(path)) return kNotAFolder;
    const std::wstring top = LongPath(path);
    if (top.size() <= RootLength(top)) return kNotAFolder;
    if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
    std::optional<Level> opened = OpenFolder(top);
    if (!opened) {
      const DWORD e = ::GetLastError();
      return IsNotThere(e) ? kNotAFolder : ErrorFromWin32(e);
    }
    if ((opened->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return kNotAFolder;
    if (IsLink(opened->attributes)) {
      // A source that is a link (or junction) loses only the link.
      if (const int e = faults::Check(faults::Op::RemoveFile)) return e;
      if (opened->delete_error != 0) return opened->delete_error;
      return DeleteByHandle(opened->handle.get(), opened->attributes);
    }

    // Every folder from the source down to the one being emptied stays open.
    std::vector<Level> levels;
    levels.push_back(std::move(*opened));
    if (const int e = RemoveFilesOf(levels.back(), between_entries)) return e;
    for (;;) {
      Level& level = levels.back();
      if (level.next < level.subfolders.size()) {
        const Entry& sub = level.subfolders[level.next++];
        if (between_entries) between_entries();
        if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
        std::optional<Level> child = OpenFolder(level.path + L"\\" + sub.name);
        if (!child) {
          const DWORD e = ::GetLastError();
          return IsNotThere(e) ? kNotAFolder : ErrorFromWin32(e);
        }
        // Swapped for a link, or for another folder, since it was listed: not entered.
        if ((child->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsLink(child->attributes) ||
            !IsListedEntry(child->handle.get(), sub)) {
          return kNotAFolder;
        }
        levels.push_back(std::move(*child));
        if (const int e = RemoveFilesOf(levels.back(), between_entries)) return e;
        continue;
      }
      const int pending = level.pending;
      const int removed = RemoveFolder(level);
      levels.pop_back();
      if (removed != 0) return removed;
      if (pending != 0) return pending;
      if (levels.empty()) return 0;
      levels.back().pending = 0;
    }
  } catch (...) {
    return err::kOutOfMemory;
  }
}

}  // namespace pixferry
