// GetLastError values to the run-time error numbers an operator sees.
#pragma once

namespace pixferry {

// 0 for 0 (no error); anything unknown reads as 75 (path/file access error).
int ErrorFromWin32(unsigned long error) noexcept;
// The same for the calling thread's last error.
int LastError() noexcept;
// The number for an error met while copying. The card was there when the copy began: a drive
// no longer ready for it, or holding another medium, is the card gone (68), as a removed device
// is.
int CopyErrorFromWin32(unsigned long error) noexcept;

}  // namespace pixferry
