// The calls of platform/win32/calls.h as the Windows test programs make them: each checks the
// rule Windows applies and Wine does not, fails the running test with the rule named when it is
// broken, and then fails as Windows would.
#include "tests/win32/strict_calls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/calls.h"

namespace pixferry::sys {
namespace {

// The largest sector of common disks (4Kn drives): a call in whole sectors of this size is one in
// whole sectors on every disk.
constexpr std::uint64_t kSector = 4096;

// True when the handle reads and writes past the system's cache (FILE_FLAG_NO_BUFFERING). Only
// the native call tells a handle's mode (FileModeInformation).
bool Unbuffered(HANDLE file) {
  using Query = LONG(WINAPI*)(HANDLE, void* status, void* info, ULONG length, int info_class);
  static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  constexpr int kFileModeInformation = 16;
  constexpr ULONG kNoIntermediateBuffering = 0x8;
  ULONG_PTR status[2] = {};
  ULONG mode = 0;
  return query && query(file, status, &mode, sizeof mode, kFileModeInformation) == 0 &&
         (mode & kNoIntermediateBuffering) != 0;
}

// The rule an unbuffered call breaks, or nothing.
std::string BrokenRule(HANDLE file, const void* buffer, DWORD size, const OVERLAPPED* overlapped) {
  if (!Unbuffered(file)) return {};
  std::uint64_t offset = 0;
  if (overlapped) {
    offset = (std::uint64_t{overlapped->OffsetHigh} << 32) | overlapped->Offset;
  } else {
    LARGE_INTEGER now{};
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, &now, FILE_CURRENT)) return {};
    offset = static_cast<std::uint64_t>(now.QuadPart);
  }
  const std::string sectors =
      " is not a whole number of " + std::to_string(kSector) + "-byte sectors";
  if (offset % kSector != 0) return "the file offset " + std::to_string(offset) + sectors;
  if (size % kSector != 0) return "the length " + std::to_string(size) + sectors;
  if (reinterpret_cast<std::uintptr_t>(buffer) % kSector != 0) {
    return "the buffer's address is not aligned to a sector";
  }
  return {};
}

// True, with the test failed and the error Windows gives set, when the call breaks a rule.
bool Refused(const char* call, HANDLE file, const void* buffer, DWORD size,
             const OVERLAPPED* overlapped) {
  const std::string rule = BrokenRule(file, buffer, size, overlapped);
  if (rule.empty()) return false;
  ADD_FAILURE() << call << " on a handle opened with FILE_FLAG_NO_BUFFERING: " << rule
                << " (Windows fails it with ERROR_INVALID_PARAMETER)";
  ::SetLastError(ERROR_INVALID_PARAMETER);
  return true;
}

// The test's plan for flushes; one for the program, as the calls are free functions.
struct {
  DWORD folder_error = ERROR_SUCCESS;
  int files = 0;
} flushes;

}  // namespace

void RefuseFolderFlushes(DWORD error) {
  flushes = {error, 0};
}

int FilesFlushed() {
  return flushes.files;
}

BOOL FlushFileBuffers(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ++flushes.files;
  } else if (flushes.folder_error != ERROR_SUCCESS) {
    ::SetLastError(flushes.folder_error);
    return FALSE;
  }
  return ::FlushFileBuffers(file);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) {
  return !Refused("ReadFile", file, buffer, size, overlapped) &&
         ::ReadFile(file, buffer, size, done, overlapped);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) {
  return !Refused("WriteFile", file, buffer, size, overlapped) &&
         ::WriteFile(file, buffer, size, done, overlapped);
}

}  // namespace pixferry::sys
