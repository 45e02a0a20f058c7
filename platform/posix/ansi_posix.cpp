#include "platform/ansi.h"
#include "platform/ansi_1252.h"

namespace pixferry {

// POSIX has no ANSI code page; Windows-1252 keeps files written on Windows readable.
std::string Utf8ToAnsi(std::string_view utf8) {
  return Utf8ToWindows1252(utf8);
}

std::string AnsiToUtf8(std::string_view ansi) {
  return Windows1252ToUtf8(ansi);
}

bool FitsAnsi(std::string_view utf8) {
  return FitsWindows1252(utf8);
}

}  // namespace pixferry
