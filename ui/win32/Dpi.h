// The dots per inch a window is shown at, and frame sizes at that DPI. Looked up at run time,
// so the program still starts on systems older than per-monitor DPI.
#pragma once

#include <windows.h>

namespace pixferry::win32 {

inline constexpr int kDefaultDpi = 96;

int WindowDpi(HWND window);
// The outer rectangle of a window whose client area is client, for the given style and DPI.
RECT FrameForClient(RECT client, DWORD style, DWORD ex_style, int dpi);
// A length given at 96 DPI, at dpi.
int ScaleForDpi(int pixels_at_96, int dpi);

}  // namespace pixferry::win32
