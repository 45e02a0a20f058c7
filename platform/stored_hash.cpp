// Reads again, written once over the primitives of platform/primitives.h.
#include "platform/stored_hash.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "platform/errors.h"
#include "platform/primitives.h"

namespace pixferry {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
static_assert(kChunk % os::kSector == 0);

// Sector-aligned, as reads past the cache require of their buffers.
struct AlignedDelete {
  void operator()(char* p) const noexcept { ::operator delete[](p, std::align_val_t{os::kSector}); }
};

}  // namespace

int HashFromStorage(const std::string& path, Digest& digest, const std::function<void()>& between) {
  os::File file;
  os::Identity identity;
  int e = os::OpenStored(path, file, identity);
  if (e == os::kNotThere) return NotFoundError(path);
  if (e != 0) return e;
  try {
    const std::unique_ptr<char[], AlignedDelete> buffer(
        static_cast<char*>(::operator new[](kChunk, std::align_val_t{os::kSector})));
    Sha256 hash;
    for (std::uint64_t offset = 0;; offset += kChunk) {
      std::size_t got = 0;
      if ((e = os::ReadStored(*file, buffer.get(), kChunk, offset, got)) != 0) return e;
      hash.Update(buffer.get(), got);
      if (got < kChunk) break;
      if (between) between();
    }
    digest = hash.Finish();
    return 0;
  } catch (const RuntimeError& error) {
    return error.number();
  } catch (const std::bad_alloc&) {
    return err::kOutOfMemory;
  }
}

bool SameFile(const std::string& a, const std::string& b) noexcept {
  try {
    os::Identity ia, ib;
    return os::IdentifyFile(a, ia) == 0 && os::IdentifyFile(b, ib) == 0 && ia == ib;
  } catch (...) {
    return false;
  }
}

}  // namespace pixferry
