// The parts of a path, for the narrow (UTF-8) and the wide strings the platform layer holds. A
// separator is "/", and on Windows "\" as well.
#pragma once

#include <filesystem>
#include <string>

namespace pixferry {

template <class Char>
constexpr bool IsSeparator(Char c) {
#ifdef _WIN32
  return c == Char('/') || c == Char('\\');
#else
  return c == Char('/');
#endif
}

// What follows the last separator: the whole path when it has none.
template <class Char>
std::basic_string<Char> NameOf(const std::basic_string<Char>& path) {
  std::size_t start = path.size();
  while (start > 0 && !IsSeparator(path[start - 1])) --start;
  return path.substr(start);
}

// What comes before the last separator: "." when there is none, the root itself for a name in
// the root.
template <class Char>
std::basic_string<Char> FolderOf(const std::basic_string<Char>& path) {
  std::size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) return {Char('.')};
  return end == 1 ? path.substr(0, 1) : path.substr(0, end - 1);
}

// A path as std::filesystem takes it: on Windows the UTF-8 decoded, elsewhere the bytes as they
// are (a name there need not be UTF-8).
inline std::filesystem::path FileSystemPath(const std::string& path) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
  return std::filesystem::path(path);
#endif
}

}  // namespace pixferry
