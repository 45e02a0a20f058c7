// Owners for the kernel handles the platform layer opens.
#pragma once

#include <windows.h>

#include <memory>

namespace pixferry {

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
// A file or other kernel handle; empty instead of INVALID_HANDLE_VALUE.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

inline UniqueHandle OwnHandle(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct FindCloser {
  void operator()(HANDLE handle) const noexcept { ::FindClose(handle); }
};
// A FindFirstFileExW search.
using UniqueFind = std::unique_ptr<void, FindCloser>;

inline UniqueFind OwnFind(HANDLE handle) {
  return UniqueFind(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace pixferry
