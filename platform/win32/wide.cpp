#include "platform/win32/wide.h"

#include <windows.h>

#include <climits>

#include "platform/errors.h"

namespace pixferry {
namespace {

int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw RuntimeError(err::kOutOfMemory);
  return static_cast<int>(size);
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int in = CheckedLength(utf8.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int in = CheckedLength(wide.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), in, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), in, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace pixferry
