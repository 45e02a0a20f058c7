// Differential fuzzing of the listing's name pattern matcher against a plain recursive one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace {

// Table of "the first i characters of name match the first j of pattern": quadratic at worst,
// where a recursive reference is exponential on patterns of many stars and timed out.
bool Reference(std::string_view name, std::string_view pattern) {
  std::vector<std::vector<bool>> match(name.size() + 1, std::vector<bool>(pattern.size() + 1));
  match[0][0] = true;
  for (std::size_t j = 1; j <= pattern.size(); ++j) {
    match[0][j] = pattern[j - 1] == '*' && match[0][j - 1];
  }
  for (std::size_t i = 1; i <= name.size(); ++i) {
    for (std::size_t j = 1; j <= pattern.size(); ++j) {
      const char p = pattern[j - 1];
      if (p == '*') {
        match[i][j] = match[i][j - 1] || match[i - 1][j];
      } else {
        match[i][j] = (p == '?' || p == name[i - 1]) && match[i - 1][j - 1];
      }
    }
  }
  return match[name.size()][pattern.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const std::string_view pattern = input.substr(0, split);
  const std::string_view name = input.substr(split + 1);
  const bool got = pixferry::MatchesNamePattern(name, pattern);
  if (pattern.size() <= 64 && name.size() <= 256) {
    const bool everything = pattern.empty() || pattern == "*" || pattern == "*.*";
    const bool expected = everything || Reference(name, pattern);
    if (got != expected) std::abort();
  }
  return 0;
}
