// Whole-file copies, Windows side: the bytes go into a hidden temporary file beside the
// destination, are flushed to stable storage and only then take the final name with one
// replacing rename, so neither a failure nor a crash leaves a partial file under that name or
// loses the file being replaced. A group flushes and renames its copies together at commit.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"

namespace pixferry {
namespace {

constexpr DWORD kChunk = 1 << 20;

[[noreturn]] void ThrowLastError() {
  throw RuntimeError(LastError());
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// Attributes for SetFileAttributesW, with or without the read-only bit.
DWORD Settable(DWORD attributes, bool read_only) {
  DWORD a = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  if (read_only) a |= FILE_ATTRIBUTE_READONLY;
  return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!::GetFileInformationByHandle(a, &ia) || !::GetFileInformationByHandle(b, &ib)) {
    return false;
  }
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

void RemoveTemporary(const std::wstring& path) noexcept {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
}

// A copy written under its temporary name, waiting for its final one.
struct Pending {
  std::wstring temp;
  std::wstring destination;
  DWORD attributes;  // the copy's own, once it is in place (the source's, never hidden)
  unsigned long long bytes;
  bool replaces;  // the destination existed when the copy was made
};

// The temporary file, hidden by its attribute and its leading dot so that no listing of files
// returns it; removed again unless Keep() is called.
class TempFile {
 public:
  explicit TempFile(const std::wstring& folder) {
    const DWORD pid = ::GetCurrentProcessId();
    const ULONGLONG tick = ::GetTickCount64();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      wchar_t name[64];
      ::wsprintfW(name, L".pixferry-%08lx-%08lx.tmp", pid,
                  static_cast<unsigned long>(tick + attempt * 7919u));
      std::wstring candidate = folder + name;
      HANDLE h = ::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        handle_ = OwnHandle(h);
        path_ = std::move(candidate);
        return;
      }
      if (::GetLastError() != ERROR_FILE_EXISTS) ThrowLastError();
    }
    throw RuntimeError(err::kPathFileAccessError);
  }
  ~TempFile() {
    handle_.reset();
    if (!path_.empty()) RemoveTemporary(path_);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  HANDLE handle() const { return handle_.get(); }
  void Close() { handle_.reset(); }
  std::wstring Keep() { return std::move(path_); }

 private:
  UniqueHandle handle_;
  std::wstring path_;
};

// Writes source into a temporary file beside destination; nothing when both are the same file.
std::optional<Pending> WriteTemporaryCopy(const std::wstring& from, const std::wstring& to) {
  const DWORD from_attributes = ::GetFileAttributesW(from.c_str());
  if (from_attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if (from_attributes & FILE_ATTRIBUTE_DIRECTORY) throw RuntimeError(err::kPathFileAccessError);
  const DWORD to_attributes = ::GetFileAttributesW(to.c_str());
  if (to_attributes != INVALID_FILE_ATTRIBUTES && (to_attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw RuntimeError(err::kPathFileAccessError);
  }

  const UniqueHandle in =
      OwnHandle(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) ThrowLastError();

  // Onto itself (the same name, another spelling of it, or a hard link): nothing to do, and
  // writing would destroy the only copy.
  {
    const UniqueHandle existing = OwnHandle(::CreateFileW(
        to.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr));
    if (existing && SameFile(in.get(), existing.get())) return std::nullopt;
  }

  TempFile temp(FolderOf(to));
  std::vector<char> buffer(kChunk);
  unsigned long long bytes = 0;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in.get(), buffer.data(), kChunk, &got, nullptr)) ThrowLastError();
    if (got == 0) break;
    DWORD put = 0;
    if (!::WriteFile(temp.handle(), buffer.data(), got, &put, nullptr)) ThrowLastError();
    if (put != got) throw RuntimeError(err::kDiskFull);
    bytes += got;
  }

  // The copy keeps the time the photo was last changed, as the shell's copy does.
  FILE_BASIC_INFO basic{};  // zero times and attributes are left as they are
  FILETIME written{};
  if (::GetFileTime(in.get(), nullptr, nullptr, &written)) {
    basic.LastWriteTime.LowPart = written.dwLowDateTime;
    basic.LastWriteTime.HighPart = static_cast<LONG>(written.dwHighDateTime);
    ::SetFileInformationByHandle(temp.handle(), FileBasicInfo, &basic, sizeof basic);
  }
  temp.Close();

  constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  const DWORD attributes =
      (from_attributes & kKept) ? from_attributes & kKept : FILE_ATTRIBUTE_NORMAL;
  return Pending{temp.Keep(), to, attributes, bytes, to_attributes != INVALID_FILE_ATTRIBUTES};
}

// To stable storage, with the copy's own attributes: from here it may replace the destination.
void Flush(const Pending& p) {
  const UniqueHandle file = OwnHandle(::CreateFileW(p.temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) ThrowLastError();
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = p.attributes;
  if (!::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic)) {
    ThrowLastError();
  }
  if (!::FlushFileBuffers(file.get())) ThrowLastError();
}

void Rename(const Pending& p) {
  // A copy made for a name that was free must not replace what took the name meanwhile: on a
  // case-insensitive folder IMG_0001.JPG and img_0001.jpg of one run are one name.
  if (!p.replaces) {
    if (::MoveFileExW(p.temp.c_str(), p.destination.c_str(), MOVEFILE_WRITE_THROUGH)) return;
    const DWORD e = ::GetLastError();
    throw RuntimeError(e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS ? err::kFileAlreadyExists
                                                                           : ErrorFromWin32(e));
  }
  // Replacing an earlier copy has been asked for; its read-only bit (kept from a photo the camera
  // protected) must not stand in the way, as it does not on other systems.
  const DWORD to_attributes = ::GetFileAttributesW(p.destination.c_str());
  const bool read_only_target = to_attributes != INVALID_FILE_ATTRIBUTES &&
                                (to_attributes & FILE_ATTRIBUTE_READONLY) &&
                                !(to_attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (read_only_target) {
    ::SetFileAttributesW(p.destination.c_str(), Settable(to_attributes, false));
  }
  if (!::MoveFileExW(p.temp.c_str(), p.destination.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD e = ::GetLastError();
    if (read_only_target) {
      ::SetFileAttributesW(p.destination.c_str(), Settable(to_attributes, true));
    }
    // A folder that took the name meanwhile is no file to replace.
    const DWORD now = ::GetFileAttributesW(p.destination.c_str());
    const bool folder = now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY);
    throw RuntimeError(folder ? err::kPathFileAccessError : ErrorFromWin32(e));
  }
}

}  // namespace

struct CopyGroup::Impl {
  ~Impl() { RemoveFrom(0); }

  void RemoveFrom(std::size_t first) noexcept {
    for (std::size_t i = first; i < pending.size(); ++i) RemoveTemporary(pending[i].temp);
    pending.resize(std::min(first, pending.size()));
  }

  std::vector<Pending> pending;
  unsigned long long bytes = 0;
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
  std::optional<Pending> copy = WriteTemporaryCopy(Widen(source), Widen(destination));
  if (!copy) return true;
  if (!SameFileContent(source, Narrow(copy->temp))) {
    RemoveTemporary(copy->temp);
    return false;
  }
  impl_->bytes += copy->bytes;
  impl_->pending.push_back(std::move(*copy));
  return true;
}

void CopyGroup::Commit() {
  Impl& g = *impl_;
  g.bytes = 0;
  if (g.pending.empty()) return;
  // Every copy is safe on disk before the first one replaces anything.
  try {
    for (const Pending& p : g.pending) Flush(p);
  } catch (...) {
    g.RemoveFrom(0);
    throw;
  }
  for (std::size_t i = 0; i < g.pending.size(); ++i) {
    try {
      Rename(g.pending[i]);
    } catch (...) {
      // The ones before have their names; this one and the rest go.
      g.RemoveFrom(i);
      g.pending.clear();
      throw;
    }
  }
  g.pending.clear();
}

void CopyWholeFile(const std::string& source, const std::string& destination) {
  CopyGroup one;
  if (!one.Copy(source, destination)) throw RuntimeError(err::kDeviceIoError);
  one.Commit();
}

}  // namespace pixferry
