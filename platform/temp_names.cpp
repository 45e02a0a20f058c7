// The names of temporary copies. A temporary is no longer than the final name it waits for, so a
// destination whose final path fits the system's limit never fails at the temporary, and it is
// hidden (a leading dot; on Windows also the attribute). Its last characters are a check of the
// others, so that a leftover can be told from a file that only looks like one.
#include "platform/temp_names.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/copy.h"
#include "platform/files.h"

namespace pixferry {
namespace {

constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kPrefix = ".~";
constexpr std::size_t kShortest = 5;  // "x.jpg"
constexpr std::size_t kLongest = 12;  // a camera's 8.3 name

std::size_t CheckLength(std::size_t length) {
  return length < 7 ? 1 : 2;
}

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : std::string_view("pixferry"))
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

std::string Check(std::string_view body, std::size_t count) {
  std::uint64_t hash = Fnv1a(body);
  std::string check;
  for (std::size_t i = 0; i < count; ++i) {
    check += kDigits[hash % kDigits.size()];
    hash /= kDigits.size();
  }
  return check;
}

}  // namespace

std::string TemporaryName(std::size_t final_length, std::uint64_t random) {
  const std::size_t length = std::clamp(final_length, kShortest, kLongest);
  const std::size_t checks = CheckLength(length);
  std::string body;
  for (std::size_t i = kPrefix.size() + checks; i < length; ++i) {
    body += kDigits[random % kDigits.size()];
    random /= kDigits.size();
  }
  return std::string(kPrefix) + body + Check(body, checks);
}

bool IsTemporaryName(std::string_view name) noexcept {
  if (name.size() < kShortest || name.size() > kLongest || !name.starts_with(kPrefix)) {
    return false;
  }
  for (const char c : name.substr(kPrefix.size())) {
    if (kDigits.find(c) == std::string_view::npos) return false;
  }
  const std::size_t checks = CheckLength(name.size());
  const std::string_view body = name.substr(kPrefix.size(), name.size() - kPrefix.size() - checks);
  return name.substr(name.size() - checks) == Check(body, checks);
}

}  // namespace pixferry
