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

  RecordFile();
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // ReadOnly never creates the file (53 when it is missing); WriteOnly creates it when missing
  // and never shortens it, and needs write access only.
  int Open(const std::string& path, Mode mode);
  // Record numbers count from 1. A record beyond the end of the file reads as the empty text; one
  // whose length is out of range reads its text area up to the first NUL.
  int Read(int record, std::string& text);
  // A text over 253 bytes in the ANSI code page gives 59 and leaves the record's bytes untouched.
  int Write(int record, const std::string& text);
  void Close() noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pixferry
