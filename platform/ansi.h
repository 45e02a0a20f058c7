// The ANSI code page the settings file is written in: the system's on Windows, Windows-1252
// elsewhere, so a paths.dat moves between systems unchanged.
#pragma once

#include <string>
#include <string_view>

namespace pixferry {

// Characters the code page cannot hold become "?".
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
// True when every character of utf8 has its own byte (or bytes) in the code page, so it reads
// back as it was written; a text that fails would be stored with "?" in its place.
bool FitsAnsi(std::string_view utf8);

}  // namespace pixferry
