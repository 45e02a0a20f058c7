// Windows-1252, the code page the settings file uses where the system has no ANSI code page.
// Portable, so any platform (and its tests) can read and write such files.
#pragma once

#include <string>
#include <string_view>

namespace pixferry {

// Characters outside Windows-1252, and bytes that are not valid UTF-8, become "?".
std::string Utf8ToWindows1252(std::string_view utf8);
// True when utf8 is valid UTF-8 and every character of it is in Windows-1252.
bool FitsWindows1252(std::string_view utf8) noexcept;
// Every byte has a character: the five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D)
// map to the control characters of the same number, as Windows does, so they round-trip.
std::string Windows1252ToUtf8(std::string_view ansi);

}  // namespace pixferry
