// The settings file's text is in the system's ANSI code page, as other Windows programs of its
// kind write it.
#include <windows.h>

#include <climits>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/win32/wide.h"

namespace pixferry {

std::string Utf8ToAnsi(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  if (wide.size() > static_cast<std::size_t>(INT_MAX)) throw RuntimeError(err::kOutOfMemory);
  const UINT code_page = ::GetACP();
  // A UTF-8 system code page takes neither a replacement character nor the best-fit switch.
  const bool utf8_system = code_page == CP_UTF8;
  const DWORD flags = utf8_system ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* replacement = utf8_system ? nullptr : "?";
  const int in = static_cast<int>(wide.size());
  const int n =
      ::WideCharToMultiByte(code_page, flags, wide.data(), in, nullptr, 0, replacement, nullptr);
  std::string ansi(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(code_page, flags, wide.data(), in, ansi.data(), n, replacement, nullptr);
  return ansi;
}

bool FitsAnsi(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return true;
  if (wide.size() > static_cast<std::size_t>(INT_MAX)) throw RuntimeError(err::kOutOfMemory);
  const UINT code_page = ::GetACP();
  // A UTF-8 system code page holds every character; bytes that were not UTF-8 became U+FFFD.
  if (code_page == CP_UTF8) return wide.find(L'\xFFFD') == std::wstring::npos;
  BOOL used_default = FALSE;
  const int n =
      ::WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide.data(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, &used_default);
  return n > 0 && !used_default;
}

std::string AnsiToUtf8(std::string_view ansi) {
  if (ansi.empty()) return {};
  if (ansi.size() > static_cast<std::size_t>(INT_MAX)) throw RuntimeError(err::kOutOfMemory);
  const int in = static_cast<int>(ansi.size());
  const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), in, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), in, wide.data(), n);
  return Narrow(wide);
}

}  // namespace pixferry
