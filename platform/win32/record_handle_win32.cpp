#include <windows.h>

#include "platform/errors.h"
#include "platform/record_handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"

namespace pixferry {
namespace {

OVERLAPPED At(long long offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

int OpenError() {
  const DWORD error = ::GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? err::kPermissionDenied
                                                                          : ErrorFromWin32(error);
}

}  // namespace

RecordHandle::~RecordHandle() {
  Close();
}

int RecordHandle::OpenForReading(const std::string& path) noexcept {
  Close();
  const std::wstring wide = LongPath(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return err::kPathFileAccessError;
  }
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return OpenError();
  handle_ = h;
  return 0;
}

int RecordHandle::OpenForWriting(const std::string& path) noexcept {
  Close();
  const std::wstring wide = LongPath(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return err::kPathFileAccessError;
  }
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return OpenError();
  handle_ = h;
  return 0;
}

int RecordHandle::Size(long long& size) noexcept {
  LARGE_INTEGER s{};
  if (!::GetFileSizeEx(static_cast<HANDLE>(handle_), &s)) return LastError();
  size = s.QuadPart;
  return 0;
}

int RecordHandle::ReadAt(long long offset, char* bytes, std::size_t count,
                         std::size_t& read) noexcept {
  read = 0;
  OVERLAPPED at = At(offset);
  DWORD got = 0;
  if (!::ReadFile(static_cast<HANDLE>(handle_), bytes, static_cast<DWORD>(count), &got, &at)) {
    if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
    return LastError();
  }
  read = got;
  return 0;
}

int RecordHandle::WriteAt(long long offset, const char* bytes, std::size_t count) noexcept {
  OVERLAPPED at = At(offset);
  DWORD put = 0;
  if (!::WriteFile(static_cast<HANDLE>(handle_), bytes, static_cast<DWORD>(count), &put, &at)) {
    return LastError();
  }
  return put == count ? 0 : err::kDiskFull;
}

void RecordHandle::Close() noexcept {
  if (handle_ != nullptr) ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

bool RecordHandle::IsOpen() const noexcept {
  return handle_ != nullptr;
}

}  // namespace pixferry
