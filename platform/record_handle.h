// The open settings file as the system holds it: the record file's one OS handle. Opening for
// writing asks for write access only, so a file that may be written but not read can still be
// saved to. Every call returns 0 or a run-time error number.
#pragma once

#include <cstddef>
#include <string>

namespace pixferry {

class RecordHandle {
 public:
  RecordHandle() = default;
  ~RecordHandle();
  RecordHandle(const RecordHandle&) = delete;
  RecordHandle& operator=(const RecordHandle&) = delete;

  // Reading never creates the file; writing creates it when missing and never shortens it.
  int OpenForReading(const std::string& path) noexcept;
  int OpenForWriting(const std::string& path) noexcept;
  // Reads up to count bytes at offset; read is what came (fewer only at the end of the file).
  int ReadAt(long long offset, char* bytes, std::size_t count, std::size_t& read) noexcept;
  // Writes all count bytes at offset, straight to the system: no buffer hides a full disk.
  int WriteAt(long long offset, const char* bytes, std::size_t count) noexcept;
  void Close() noexcept;
  bool IsOpen() const noexcept;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace pixferry
