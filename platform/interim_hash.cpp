// INTERIM (branch s20-pipe only): a stand-in for SHA-256 and the hash list until their own
// implementation lands on main; dropped then.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/hash_list.h"
#include "platform/sha256.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h
#include <bcrypt.h>
#else
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#endif

namespace pixferry {

#ifdef _WIN32
struct Sha256::Impl {
  BCRYPT_ALG_HANDLE alg = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  void Start() { ::BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0); }
  ~Impl() {
    if (hash) ::BCryptDestroyHash(hash);
    if (alg) ::BCryptCloseAlgorithmProvider(alg, 0);
  }
};
Sha256::Sha256() : impl_(std::make_unique<Impl>()) {
  if (::BCryptOpenAlgorithmProvider(&impl_->alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
    throw RuntimeError(err::kOutOfMemory);
  impl_->Start();
}
void Sha256::Update(const void* data, std::size_t size) {
  ::BCryptHashData(impl_->hash, static_cast<PUCHAR>(const_cast<void*>(data)),
                   static_cast<ULONG>(size), 0);
}
Digest Sha256::Finish() {
  Digest d{};
  ::BCryptFinishHash(impl_->hash, d.data(), 32, 0);
  ::BCryptDestroyHash(impl_->hash);
  impl_->hash = nullptr;
  impl_->Start();
  return d;
}
#else
struct Sha256::Impl {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  ~Impl() { EVP_MD_CTX_free(ctx); }
};
Sha256::Sha256() : impl_(std::make_unique<Impl>()) {
  if (!impl_->ctx || EVP_DigestInit_ex(impl_->ctx, EVP_sha256(), nullptr) != 1)
    throw RuntimeError(err::kOutOfMemory);
}
void Sha256::Update(const void* data, std::size_t size) {
  EVP_DigestUpdate(impl_->ctx, data, size);
}
Digest Sha256::Finish() {
  Digest d{};
  unsigned int n = 0;
  EVP_DigestFinal_ex(impl_->ctx, d.data(), &n);
  EVP_DigestInit_ex(impl_->ctx, EVP_sha256(), nullptr);
  return d;
}
#endif
Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

std::string ToHex(const Digest& digest) {
  std::string hex;
  char b[3];
  for (const auto byte : digest) {
    std::snprintf(b, sizeof b, "%02x", byte);
    hex += b;
  }
  return hex;
}

bool FromHex(std::string_view, Digest&) {
  return false;
}

HashList::HashList(std::string root, std::string case_name)
    : root_(std::move(root)), case_name_(std::move(case_name)) {
  path_ = root_ + kSep + case_name_ + ".sha256";
}

int HashList::Add(const std::vector<HashRecord>& records) {
  std::string text;
  for (const HashRecord& r : records) {
    text += "# " + r.source + " " + std::to_string(r.stamp.size) + " " + r.checked + "\n";
    text += ToHex(r.digest) + "  " + r.copy + "\n";
  }
#ifdef _WIN32
  std::ofstream out(std::filesystem::path(std::u8string(path_.begin(), path_.end())),
                    std::ios::binary | std::ios::app);
  out << text;
  out.flush();
  return out ? 0 : err::kDeviceIoError;
#else
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return ErrorFromErrno(errno);
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                  ::fsync(fd) == 0;
  ::close(fd);
  return ok ? 0 : err::kDeviceIoError;
#endif
}

int ReadHashLists(const std::string&, std::vector<HashRecord>& records) {
  records.clear();
  return 0;
}

}  // namespace pixferry
