// The check after each copy, Windows side: both files read side by side and compared chunk by
// chunk. A copy that was just written is still in the system's cache, so this costs little.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace pixferry {
namespace {

std::filesystem::path FromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

}  // namespace

bool SameFileContent(const std::string& original, const std::string& copy) noexcept {
  try {
    const std::filesystem::path a_path = FromUtf8(original);
    const std::filesystem::path b_path = FromUtf8(copy);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(a_path, ec);
    if (ec || std::filesystem::file_size(b_path, ec) != size || ec) return false;

    std::ifstream a(a_path, std::ios::binary);
    std::ifstream b(b_path, std::ios::binary);
    if (!a || !b) return false;
    constexpr std::uintmax_t kChunk = std::uintmax_t{1} << 17;
    const auto chunk =
        static_cast<std::size_t>(std::min(kChunk, std::max<std::uintmax_t>(size, 1)));
    const auto a_bytes = std::make_unique_for_overwrite<char[]>(chunk);
    const auto b_bytes = std::make_unique_for_overwrite<char[]>(chunk);
    std::uintmax_t left = size;
    while (left > 0) {
      const auto n = static_cast<std::streamsize>(std::min<std::uintmax_t>(left, chunk));
      a.read(a_bytes.get(), n);
      b.read(b_bytes.get(), n);
      if (a.gcount() != n || b.gcount() != n) return false;
      if (std::memcmp(a_bytes.get(), b_bytes.get(), static_cast<std::size_t>(n)) != 0) {
        return false;
      }
      left -= static_cast<std::uintmax_t>(n);
    }
    // Neither may have grown meanwhile: the copy must be the whole of the original.
    return a.peek() == std::ifstream::traits_type::eof() &&
           b.peek() == std::ifstream::traits_type::eof();
  } catch (...) {
    return false;
  }
}

}  // namespace pixferry
