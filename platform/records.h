// Random-access files of fixed 255-byte records, each a 16-bit little-endian length and text in
// the ANSI code page. The settings file is the only one.
#pragma once

#include <memory>
#include <string>

namespace pixferry {

inline constexpr int kRecordLength = 255;
inline constexpr int kRecordTextMax = kRecordLength - 2;

class RecordFile {
 public:
  enum class Mode { ReadOnly, WriteOnly };

  // ReadOnly never creates the file (a missing file raises 53); WriteOnly creates it when missing
  // and never shortens it, and needs write access only. Throws RuntimeError.
  RecordFile(const std::string& path, Mode mode);
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Record numbers count from 1. A record beyond the end of the file reads as the empty text; one
  // whose length is out of range reads its text area up to the first NUL.
  std::string Read(int record);
  // A text over 253 bytes in the ANSI code page raises 59 and leaves the record's bytes untouched.
  void Write(int record, const std::string& text);
  void Close() noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pixferry
