// Differential fuzzing of the listing's name pattern matcher against a plain recursive one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/files.h"

namespace {

bool Reference(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == '*') {
    for (std::size_t i = 0; i <= name.size(); ++i) {
      if (Reference(name.substr(i), pattern.substr(1))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern.front() != '?' && pattern.front() != name.front()) return false;
  return Reference(name.substr(1), pattern.substr(1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const std::string_view pattern = input.substr(0, split);
  const std::string_view name = input.substr(split + 1);
  const bool got = pixferry::MatchesNamePattern(name, pattern);
  // The reference is exponential on many stars; compare only where it stays quick.
  if (pattern.size() <= 12 && name.size() <= 24) {
    const bool everything = pattern.empty() || pattern == "*" || pattern == "*.*";
    const bool expected = everything || Reference(name, pattern);
    if (got != expected) std::abort();
  }
  return 0;
}
