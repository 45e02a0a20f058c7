#include <string_view>

#include "platform/ascii.h"
#include "platform/files.h"

namespace pixferry {
namespace {

char Fold(char c) noexcept {
#ifdef _WIN32
  // Windows names compare without regard to ASCII case.
  return AsciiUpper(c);
#else
  return c;
#endif
}

}  // namespace

bool MatchesNamePattern(std::string_view name, std::string_view pattern) noexcept {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  // Iterative wildcard match with one backtrack point: linear in practice, never recursive, so
  // a hostile pattern cannot exhaust the stack.
  std::size_t n = 0, p = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++n;
      ++p;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace pixferry
