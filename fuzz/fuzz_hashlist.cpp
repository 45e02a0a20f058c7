// The hash lists' reader on arbitrary text: a list beside a case folder may have been edited by
// hand, cut short by a crash, or written by another tool. Every record it gives names a copy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/hash_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<pixferry::HashRecord> records;
  pixferry::ParseHashList(std::string_view(reinterpret_cast<const char*>(data), size), records);
  for (const pixferry::HashRecord& record : records) {
    if (record.copy.empty() || record.copy.size() > size) std::abort();
  }
  return 0;
}
