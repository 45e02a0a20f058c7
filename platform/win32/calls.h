// The Windows calls whose documented rules Wine does not enforce, which the platform layer makes
// through here. The program links their plain forms (calls.cpp); the Windows test programs link
// forms that check those rules (tests/win32/strict_calls.cpp) and fail the running test, naming
// the rule, where real Windows would fail the call. A rule found that Wine lets pass belongs
// here, with its call.
#pragma once

#include <windows.h>

namespace pixferry::sys {

// On a handle opened with FILE_FLAG_NO_BUFFERING, the file offset, the length and the buffer's
// address must be whole sectors; Windows fails the call with ERROR_INVALID_PARAMETER otherwise.
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped);

// A folder's handle may be refused a flush (FAT and exFAT on cards and sticks), which Wine's
// folders never are.
BOOL FlushFileBuffers(HANDLE file);

}  // namespace pixferry::sys
