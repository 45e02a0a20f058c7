// SHA-256: the system's own implementation comes from the file included first; the digest's text
// form is written once below it.
#include "platform/sha256.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/errors.h"

#ifdef _WIN32
#include "platform/win32/sha256.inc"
#else
#include "platform/posix/sha256.inc"
#endif

namespace pixferry {
namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

std::string ToHex(const Digest& digest) {
  std::string text;
  text.reserve(digest.size() * 2);
  for (const std::uint8_t byte : digest) {
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0xf];
  }
  return text;
}

bool FromHex(std::string_view text, Digest& digest) {
  if (text.size() != digest.size() * 2) return false;
  Digest read{};
  for (std::size_t i = 0; i < read.size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    read[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  digest = read;
  return true;
}

}  // namespace pixferry
