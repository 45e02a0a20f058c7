#include "platform/win32/wide.h"

#include <windows.h>

#include <climits>
#include <new>
#include <vector>

#include "platform/paths.h"

namespace pixferry {
namespace {

// A text longer than the system's calls take is, to the program, memory that cannot be had.
int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
  return static_cast<int>(size);
}

bool IsDriveLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// What the system makes of path relative to its current folders; it never fails for a path
// that has a drive or a root, so an empty answer means the path was empty.
std::wstring FullPathName(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n);
  }
}

// The current directory, whatever its length.
std::wstring CurrentFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (n == 0) return {};
    if (n < folder.size()) {
      folder.resize(n);
      return folder;
    }
    folder.resize(n);
  }
}

// Takes the next name of path from position i on, skipping separators; empty at the end.
std::wstring_view NextName(std::wstring_view path, std::size_t& i) {
  while (i < path.size() && IsSeparator(path[i])) ++i;
  const std::size_t start = i;
  while (i < path.size() && !IsSeparator(path[i])) ++i;
  return path.substr(start, i - start);
}

}  // namespace

std::wstring LongPath(std::wstring_view path) {
  if (path.empty()) return {};
  if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\") || path.starts_with(L"\\??\\")) {
    return std::wstring(path);
  }
  std::wstring root;
  std::size_t i = 0;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // \\server\share: the share is the root, which ".." never leaves.
    i = 2;
    const std::wstring_view server = NextName(path, i);
    const std::wstring_view share = NextName(path, i);
    root = L"\\\\?\\UNC\\" + std::wstring(server) + L"\\" + std::wstring(share);
  } else if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
    if (path.size() == 2 || !IsSeparator(path[2])) {
      // "C:x": below drive C's own current folder, which only the system knows.
      const std::wstring base = FullPathName(std::wstring(path.substr(0, 2)));
      if (base.empty()) return std::wstring(path);
      return LongPath(base + L"\\" + std::wstring(path.substr(2)));
    }
    root = L"\\\\?\\" + std::wstring(path.substr(0, 2));
    i = 2;
  } else if (IsSeparator(path[0])) {
    // "\x": from the root of the current folder's drive or share.
    const std::wstring base = FullPathName(L"\\");
    if (base.empty()) return std::wstring(path);
    return LongPath(base + std::wstring(path.substr(1)));
  } else {
    const std::wstring base = CurrentFolder();
    if (base.empty()) return std::wstring(path);
    return LongPath(base + L"\\" + std::wstring(path));
  }

  std::vector<std::wstring_view> names;
  for (std::wstring_view name = NextName(path, i); !name.empty(); name = NextName(path, i)) {
    if (name == L".") continue;
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  std::wstring result = root + L"\\";
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) result += L'\\';
    result += names[k];
  }
  return result;
}

std::wstring LongPath(std::string_view utf8) {
  return LongPath(std::wstring_view(Widen(utf8)));
}

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
