// Windows side of the file-system services, on the wide functions so any name works. A symbolic
// link, junction or mount point is a reparse point, and its attribute bit is attr::kLink.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"

namespace pixferry {
namespace {

constexpr DWORD kKnownAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;
static_assert(FILE_ATTRIBUTE_READONLY == attr::kReadOnly &&
              FILE_ATTRIBUTE_HIDDEN == attr::kHidden && FILE_ATTRIBUTE_SYSTEM == attr::kSystem &&
              FILE_ATTRIBUTE_DIRECTORY == attr::kDirectory &&
              FILE_ATTRIBUTE_ARCHIVE == attr::kArchive &&
              FILE_ATTRIBUTE_REPARSE_POINT == attr::kLink);

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool HasWildcard(std::string_view s) {
  return s.find_first_of("*?") != std::string_view::npos;
}

bool IsDotEntry(std::wstring_view name) {
  return name == L"." || name == L"..";
}

int AttributesOf(DWORD attributes) {
  return static_cast<int>(attributes & kKnownAttributes);
}

bool PassesMask(int attributes, int mask) {
  if ((attributes & attr::kDirectory) && !(mask & attr::kDirectory)) return false;
  if ((attributes & attr::kHidden) && !(mask & attr::kHidden)) return false;
  if ((attributes & attr::kSystem) && !(mask & attr::kSystem)) return false;
  return true;
}

// The outcomes of a search that found nothing because the folder (or the entry) is not there.
// A name the system cannot take at all (too long, a reserved character) and a drive without its
// medium are failures, as they are on other systems.
bool IsNotThere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_DIRECTORY || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME ||
         error == ERROR_INVALID_DRIVE;
}

// 0 when a search failed only because its folder is not there, else the run-time number. Windows
// and Wine also call a path through a file an invalid name, so for that answer the folder (in its
// long form) is looked at: a name the system cannot take at all (too long, a reserved character)
// is a failure, as it is on other systems.
int SearchFailure(DWORD error, const std::wstring& long_folder) {
  if (IsNotThere(error)) return 0;
  if (error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
      error == ERROR_FILENAME_EXCED_RANGE) {
    if (!long_folder.empty()) {
      const DWORD a = ::GetFileAttributesW(long_folder.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) return 0;
      if (a == INVALID_FILE_ATTRIBUTES && IsNotThere(::GetLastError())) return 0;
    }
  }
  return ErrorFromWin32(error);
}

// Characters no Windows name can hold. The search functions read the first five as wildcards
// ("<", ">" and a double quote are the DOS forms of "*", "?" and "."), and a ":" after the
// drive names a stream inside a file, so a path that holds one must never reach them as a path:
// nothing can have that name, and the answer is "not there".
bool HasCharacterNoNameHolds(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\")) path.remove_prefix(4);
  if (path.size() >= 2 && path[1] == L':') path.remove_prefix(2);
  for (const wchar_t c : path) {
    if (c < L' ' || std::wstring_view(L"*?<>\"|:").find(c) != std::wstring_view::npos) return true;
  }
  return false;
}

// The long form of a folder with the separator and "*" after it: every name in the folder.
std::wstring EveryNameIn(const std::wstring& long_folder) {
  return long_folder + (long_folder.ends_with(L'\\') ? L"*" : L"\\*");
}

// No file system takes a name longer than this; Wine calls such a name merely missing.
constexpr std::size_t kLongestName = 255;

bool HasOverlongName(std::wstring_view path) {
  std::size_t length = 0;
  for (const wchar_t c : path) {
    length = (c == L'\\' || c == L'/') ? 0 : length + 1;
    if (length > kLongestName) return true;
  }
  return false;
}

bool IsFolder(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  // Basic information leaves out the 8.3 names, which would otherwise match patterns too.
  return ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
}

}  // namespace

struct Listing::Impl {
  UniqueFind find;
  WIN32_FIND_DATAW data{};
  bool have_data = false;  // data holds an entry not yet looked at
  std::string name_pattern;
  int mask = 0;
  int error = 0;
  std::deque<std::string> queued;  // answers known before the search: a bare path, "." and ".."
};

Listing::Listing(std::string_view pattern, int mask) : impl_(std::make_unique<Impl>()) {
  Impl& s = *impl_;
  s.mask = mask;
  std::size_t cut = pattern.size();
  while (cut > 0 && !IsSeparator(pattern[cut - 1])) --cut;
  const std::string_view folder = pattern.substr(0, cut);  // with its separator, or empty
  const std::string_view name_pattern = pattern.substr(cut);

  const std::wstring wide_pattern = Widen(pattern);
  if (HasOverlongName(wide_pattern)) {
    s.error = err::kBadFileName;
    return;
  }

  if (!name_pattern.empty() && !HasWildcard(name_pattern)) {
    // A bare path: that one entry, under the name it has on disk.
    if (HasCharacterNoNameHolds(wide_pattern)) return;
    WIN32_FIND_DATAW data{};
    UniqueFind find = OwnFind(FindFirst(LongPath(wide_pattern), data));
    if (!find) {
      s.error = SearchFailure(::GetLastError(), LongPath(folder.empty() ? "." : folder));
      return;
    }
    if (PassesMask(AttributesOf(data.dwFileAttributes), mask)) {
      s.queued.push_back(Narrow(data.cFileName));
    }
    return;
  }

  // Every name of the folder, filtered here, so the match is the same as on other systems (no
  // 8.3 names, no special meaning of "*.*" beyond "everything").
  s.name_pattern = std::string(name_pattern);
  if (HasCharacterNoNameHolds(Widen(folder))) return;
  const std::wstring wide_folder = LongPath(folder.empty() ? "." : folder);
  s.find = OwnFind(FindFirst(EveryNameIn(wide_folder), s.data));
  bool folder_exists = static_cast<bool>(s.find);
  if (s.find) {
    s.have_data = true;
  } else {
    const DWORD e = ::GetLastError();
    if (e == ERROR_FILE_NOT_FOUND) {
      // An empty drive root has no entries at all; anything else that says "not found" here
      // is a missing folder.
      folder_exists = IsFolder(wide_folder);
    } else {
      s.error = SearchFailure(e, wide_folder);
    }
  }
  // "." and ".." come from here rather than from the search, so a drive root has them too and
  // a listing of any existing folder finds an entry.
  if (folder_exists && (mask & attr::kDirectory)) {
    for (const char* dot : {".", ".."}) {
      if (MatchesNamePattern(dot, s.name_pattern)) s.queued.emplace_back(dot);
    }
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
  if (!s.queued.empty()) {
    std::string name = std::move(s.queued.front());
    s.queued.pop_front();
    return name;
  }
  while (s.find) {
    if (!s.have_data) {
      if (!::FindNextFileW(s.find.get(), &s.data)) {
        // A failure part-way ends the listing; it never repeats an entry.
        const DWORD e = ::GetLastError();
        if (e != ERROR_NO_MORE_FILES) s.error = ErrorFromWin32(e);
        s.find.reset();
        return std::nullopt;
      }
    }
    s.have_data = false;
    const std::wstring_view wide_name = s.data.cFileName;
    if (IsDotEntry(wide_name)) continue;
    if (!PassesMask(AttributesOf(s.data.dwFileAttributes), s.mask)) continue;
    std::string name = Narrow(wide_name);
    if (!MatchesNamePattern(name, s.name_pattern)) continue;
    return name;
  }
  return std::nullopt;
}

bool ListingFindsEntry(std::string_view pattern, int mask) {
  // A path given whole (a folder's or a file's, from the settings or a box) is looked up as it
  // is: "*" and "?" in its last name are no wildcards here, and no name holds them.
  std::size_t cut = pattern.size();
  while (cut > 0 && !IsSeparator(pattern[cut - 1])) --cut;
  if (HasWildcard(pattern.substr(cut))) return false;
  Listing listing(pattern, mask);
  const bool found = listing.Next().has_value();
  if (!found && listing.error() != 0) throw RuntimeError(listing.error());
  return found;
}

int TryReadAttributes(const std::string& path, int& attributes) noexcept {
  try {
    const std::wstring wide = Widen(path);
    if (HasOverlongName(wide)) return err::kBadFileName;
    if (HasCharacterNoNameHolds(wide)) return err::kFileNotFound;
    const DWORD a = ::GetFileAttributesW(LongPath(wide).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return LastError();
    attributes = AttributesOf(a);
    return 0;
  } catch (...) {
    return err::kOutOfMemory;
  }
}

int ReadAttributes(const std::string& path) {
  int attributes = 0;
  ThrowIfError(TryReadAttributes(path, attributes));
  return attributes;
}

int TryWriteAttributes(const std::string& path, int attributes) noexcept {
  try {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    DWORD a = static_cast<DWORD>(attributes) & kSettable;
    if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
    const std::wstring wide = Widen(path);
    if (HasCharacterNoNameHolds(wide)) return err::kFileNotFound;
    if (!::SetFileAttributesW(LongPath(wide).c_str(), a)) return LastError();
    return 0;
  } catch (...) {
    return err::kOutOfMemory;
  }
}

void WriteAttributes(const std::string& path, int attributes) {
  ThrowIfError(TryWriteAttributes(path, attributes));
}

int TryMakeFolder(const std::string& path) noexcept {
  try {
    const std::wstring wide = Widen(path);
    if (HasOverlongName(wide) || HasCharacterNoNameHolds(wide)) return err::kBadFileName;
    if (::CreateDirectoryW(LongPath(wide).c_str(), nullptr)) return 0;
    const DWORD e = ::GetLastError();
    if (e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS) return err::kPathFileAccessError;
    return ErrorFromWin32(e);
  } catch (...) {
    return err::kOutOfMemory;
  }
}

void MakeFolder(const std::string& path) {
  ThrowIfError(TryMakeFolder(path));
}

int TryRemoveFolder(const std::string& path) noexcept {
  try {
    if (HasCharacterNoNameHolds(Widen(path))) return err::kPathNotFound;
    const std::wstring wide = LongPath(path);
    const DWORD a = ::GetFileAttributesW(wide.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
      const DWORD e = ::GetLastError();
      return e == ERROR_FILE_NOT_FOUND ? err::kPathNotFound : ErrorFromWin32(e);
    }
    // A link goes as a link, never through to what it leads to.
    if ((a & FILE_ATTRIBUTE_REPARSE_POINT) && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
      return ::DeleteFileW(wide.c_str()) ? 0 : LastError();
    }
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return err::kPathNotFound;
    if (::RemoveDirectoryW(wide.c_str())) return 0;
    const DWORD e = ::GetLastError();
    return e == ERROR_DIR_NOT_EMPTY ? err::kPathFileAccessError : ErrorFromWin32(e);
  } catch (...) {
    return err::kOutOfMemory;
  }
}

void RemoveFolder(const std::string& path) {
  ThrowIfError(TryRemoveFolder(path));
}

int TryRemoveFile(const std::string& path) noexcept {
  try {
    if (HasCharacterNoNameHolds(Widen(path))) return err::kFileNotFound;
    const std::wstring wide = LongPath(path);
    const DWORD a = ::GetFileAttributesW(wide.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return LastError();
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
      // A link to a folder is removed as a link; a real folder is no file.
      if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) return err::kFileNotFound;
      return ::RemoveDirectoryW(wide.c_str()) ? 0 : LastError();
    }
    return ::DeleteFileW(wide.c_str()) ? 0 : LastError();
  } catch (...) {
    return err::kOutOfMemory;
  }
}

void RemoveFile(const std::string& path) {
  ThrowIfError(TryRemoveFile(path));
}

bool IsMountPoint(const std::string& path) noexcept {
  try {
    const std::wstring wide = Widen(path);
    if (wide.empty() || HasCharacterNoNameHolds(wide) || !IsFolder(LongPath(wide))) return false;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n =
          ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
      if (n == 0) return false;
      if (n < full.size()) {
        full.resize(n);
        break;
      }
      full.resize(n);
    }
    if (full.back() != L'\\') full += L'\\';
    std::wstring volume(full.size() + 1, L'\0');
    if (!::GetVolumePathNameW(full.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
      return false;
    }
    volume.resize(volume.find(L'\0'));
    if (volume.empty() || volume.back() != L'\\') volume += L'\\';
    return ::CompareStringOrdinal(full.c_str(), static_cast<int>(full.size()), volume.c_str(),
                                  static_cast<int>(volume.size()), TRUE) == CSTR_EQUAL;
  } catch (...) {
    return false;
  }
}

std::string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) throw RuntimeError(LastError());
    if (n < buffer.size()) {
      buffer.resize(n);
      return Narrow(buffer);
    }
    buffer.resize(n);
  }
}

std::optional<unsigned long long> FileSize(const std::string& path) noexcept {
  try {
    const std::wstring wide = Widen(path);
    if (HasCharacterNoNameHolds(wide)) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(LongPath(wide).c_str(), GetFileExInfoStandard, &data)) {
      return std::nullopt;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace pixferry
