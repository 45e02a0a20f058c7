// GetLastError values to the run-time error numbers an operator sees.
#pragma once

namespace pixferry {

// 0 for 0 (no error); anything unknown reads as 75 (path/file access error).
int ErrorFromWin32(unsigned long error) noexcept;
// The same for the calling thread's last error.
int LastError() noexcept;

}  // namespace pixferry
