// The settings file reader on arbitrary bytes: paths.dat may be damaged or not ours at all.
// Every record reads without a crash and never runs into the next one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/records.h"

namespace {

namespace fs = std::filesystem;

const std::string& SettingsPath() {
  static const std::string path = [] {
    const fs::path folder =
        fs::temp_directory_path() / ("pixferry-fuzz-records-" + std::to_string(std::rand()));
    fs::create_directories(folder);
    return (folder / "paths.dat").string();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(SettingsPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // A reported failure is a sound answer; only a crash or an exception is a finding.
  pixferry::RecordFile file;
  if (file.Open(SettingsPath(), pixferry::RecordFile::Mode::ReadOnly) != 0) return 0;
  for (int record = 1; record <= 6; ++record) {
    std::string text;
    if (file.Read(record, text) != 0) continue;
    // At most the 253 bytes of one record, each at most three bytes of UTF-8.
    if (text.size() > 3 * static_cast<std::size_t>(pixferry::kRecordTextMax)) std::abort();
    // Beyond the end of the file a record is empty.
    if (static_cast<std::size_t>(record - 1) * pixferry::kRecordLength + 2 > size &&
        !text.empty()) {
      std::abort();
    }
  }
  return 0;
}
