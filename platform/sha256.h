// SHA-256 by the system's own implementation: OpenSSL's libcrypto on Linux, which uses the
// processor's SHA instructions, and CNG (BCrypt) on Windows, so that the program stays one file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pixferry {

using Digest = std::array<std::uint8_t, 32>;

// One running hash. Not shared between threads; each thread keeps its own.
class Sha256 {
 public:
  // Throws RuntimeError (7, out of memory) when the system gives no hash.
  Sha256();
  ~Sha256();
  Sha256(Sha256&&) noexcept;
  Sha256& operator=(Sha256&&) noexcept;

  void Update(const void* data, std::size_t size);
  // The digest of what was given since the start or the last Finish, and a fresh start.
  Digest Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// 64 lower-case hexadecimal digits, as sha256sum writes them.
std::string ToHex(const Digest& digest);
// False unless text is 64 hexadecimal digits (either case).
bool FromHex(std::string_view text, Digest& digest);

}  // namespace pixferry
