// UTF-8 (the core's text) to and from UTF-16 (the wide Windows functions), so any name works.
#pragma once

#include <string>
#include <string_view>

namespace pixferry {

// Bytes that are not valid UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view wide);

// The form of a path that every file function of Windows takes whatever its length: absolute,
// "\\?\C:\..." or "\\?\UNC\server\share\...". A relative path is taken from the current
// directory, "C:x" from drive C's own current folder and "\\x" from the current drive's root; "/"
// counts as a separator; "." and ".." are resolved and repeated separators dropped. Names keep
// their trailing dots and blanks, which the usual rules would strip, so a name written by another
// system is reached as it is. A path already in that form, or a device path ("\\.\"), is
// returned as it is; the empty path stays empty.
std::wstring LongPath(std::wstring_view path);
std::wstring LongPath(std::string_view utf8);

}  // namespace pixferry
