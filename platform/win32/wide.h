// UTF-8 (the core's text) to and from UTF-16 (the wide Windows functions), so any name works.
#pragma once

#include <string>
#include <string_view>

namespace pixferry {

// Bytes that are not valid UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view wide);

}  // namespace pixferry
