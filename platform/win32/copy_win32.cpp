// The whole-file copy, Windows side: a hidden temporary file in the destination's folder,
// flushed, then renamed over the destination in one step.
#include <windows.h>

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

[[noreturn]] void ThrowLastError() { throw RuntimeError(LastError()); }

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

// The temporary file; removed again unless Keep() is called after the rename.
class TempFile {
 public:
  explicit TempFile(const std::wstring& folder) {
    const DWORD pid = ::GetCurrentProcessId();
    const ULONGLONG tick = ::GetTickCount64();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      wchar_t name[64];
      ::wsprintfW(name, L"~pixferry-%08lx-%08lx.tmp", pid,
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
    if (!path_.empty()) {
      ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(path_.c_str());
    }
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  HANDLE handle() const { return handle_.get(); }
  const std::wstring& path() const { return path_; }
  void Close() { handle_.reset(); }
  void Keep() { path_.clear(); }

 private:
  UniqueHandle handle_;
  std::wstring path_;
};

}  // namespace

void CopyWholeFile(const std::string& source, const std::string& destination) {
  const std::wstring from = Widen(source);
  const std::wstring to = Widen(destination);

  const DWORD from_attributes = ::GetFileAttributesW(from.c_str());
  if (from_attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if (from_attributes & FILE_ATTRIBUTE_DIRECTORY) throw RuntimeError(err::kPathFileAccessError);
  const DWORD to_attributes = ::GetFileAttributesW(to.c_str());
  if (to_attributes != INVALID_FILE_ATTRIBUTES && (to_attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw RuntimeError(err::kPathFileAccessError);
  }

  const UniqueHandle in = OwnHandle(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                  nullptr, OPEN_EXISTING,
                                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) ThrowLastError();

  // Onto itself (the same name, another spelling of it, or a hard link): nothing to do, and
  // writing would destroy the only copy.
  {
    const UniqueHandle existing = OwnHandle(::CreateFileW(
        to.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr));
    if (existing && SameFile(in.get(), existing.get())) return;
  }

  TempFile temp(FolderOf(to));
  std::vector<char> buffer(kChunk);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in.get(), buffer.data(), kChunk, &got, nullptr)) ThrowLastError();
    if (got == 0) break;
    DWORD put = 0;
    if (!::WriteFile(temp.handle(), buffer.data(), got, &put, nullptr)) ThrowLastError();
    if (put != got) throw RuntimeError(err::kDiskFull);
  }

  // The copy keeps the source's time of last change and its attributes, as the shell's copy does,
  // and loses the temporary file's hidden bit before it takes the final name.
  FILE_BASIC_INFO basic{};  // zero times are left as they are
  FILETIME written{};
  if (::GetFileTime(in.get(), nullptr, nullptr, &written)) {
    basic.LastWriteTime.LowPart = written.dwLowDateTime;
    basic.LastWriteTime.HighPart = static_cast<LONG>(written.dwHighDateTime);
  }
  constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  basic.FileAttributes = from_attributes & kKept;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!::SetFileInformationByHandle(temp.handle(), FileBasicInfo, &basic, sizeof basic)) {
    ThrowLastError();
  }
  if (!::FlushFileBuffers(temp.handle())) ThrowLastError();
  temp.Close();

  // Replacing an earlier copy has been asked for; its read-only bit (kept from a photo the camera
  // protected) must not stand in the way, as it does not on other systems.
  const bool read_only_target =
      to_attributes != INVALID_FILE_ATTRIBUTES && (to_attributes & FILE_ATTRIBUTE_READONLY);
  if (read_only_target) ::SetFileAttributesW(to.c_str(), Settable(to_attributes, false));
  if (!::MoveFileExW(temp.path().c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD e = ::GetLastError();
    if (read_only_target) ::SetFileAttributesW(to.c_str(), Settable(to_attributes, true));
    throw RuntimeError(ErrorFromWin32(e));
  }
  temp.Keep();
}

}  // namespace pixferry
