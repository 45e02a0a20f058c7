// The plain calls, as the program makes them.
#include "platform/win32/calls.h"

namespace pixferry::sys {

BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) {
  return ::ReadFile(file, buffer, size, done, overlapped);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) {
  return ::WriteFile(file, buffer, size, done, overlapped);
}

BOOL FlushFileBuffers(HANDLE file) {
  return ::FlushFileBuffers(file);
}

}  // namespace pixferry::sys
