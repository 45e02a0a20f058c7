#include "platform/records.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/record_handle.h"

// Record layout: bytes 0-1 hold the text's length L as a signed 16-bit little-endian number,
// bytes 2 to 2+L-1 the text in the ANSI code page, the rest zeros.
//
// A damaged file must never crash the reader nor leak one record into the next. A record whose
// length is negative or over 253 holds no length to trust: its text is the 253 bytes of its text
// area up to the first NUL, as the filler is zeros. A text that the end of the file cuts short
// reads as the bytes that are there; a record too short to hold its length reads as empty.

namespace pixferry {

struct RecordFile::Impl {
  RecordHandle file;
  Mode mode = Mode::ReadOnly;

  int Check(int record, Mode needed) const {
    if (!file.IsOpen()) return err::kBadFileNameOrNumber;
    if (mode != needed) return err::kBadFileMode;
    if (record < 1) return err::kBadRecordNumber;
    return 0;
  }
};

namespace {

long long RecordOffset(int record) {
  return static_cast<long long>(record - 1) * kRecordLength;
}

}  // namespace

RecordFile::RecordFile() : impl_(std::make_unique<Impl>()) {}

int RecordFile::Open(const std::string& path, Mode mode) {
  Close();
  impl_->mode = mode;
  return mode == Mode::ReadOnly ? impl_->file.OpenForReading(path)
                                : impl_->file.OpenForWriting(path);
}

RecordFile::~RecordFile() {
  Close();
}

int RecordFile::Read(int record, std::string& text) {
  if (const int e = impl_->Check(record, Mode::ReadOnly)) return e;
  std::array<char, kRecordLength> bytes{};
  std::size_t got = 0;
  if (const int e = impl_->file.ReadAt(RecordOffset(record), bytes.data(), bytes.size(), got)) {
    return e;
  }
  if (got < 2) {
    text.clear();
    return 0;
  }

  const auto length = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[0]) |
                                                (static_cast<unsigned char>(bytes[1]) << 8));
  const std::size_t there = got - 2;
  const char* area = bytes.data() + 2;
  std::size_t count = 0;
  if (length >= 0 && length <= kRecordTextMax) {
    count = std::min<std::size_t>(static_cast<std::size_t>(length), there);
  } else {
    count = static_cast<std::size_t>(std::find(area, area + there, '\0') - area);
  }
  text = AnsiToUtf8(std::string(area, count));
  return 0;
}

int RecordFile::Write(int record, const std::string& text) {
  if (const int e = impl_->Check(record, Mode::WriteOnly)) return e;
  const std::string bytes = Utf8ToAnsi(text);
  if (bytes.size() > static_cast<std::size_t>(kRecordTextMax)) return err::kBadRecordLength;
  std::array<char, kRecordLength> buffer{};  // zero filler
  buffer[0] = static_cast<char>(bytes.size() & 0xFF);
  buffer[1] = static_cast<char>((bytes.size() >> 8) & 0xFF);
  std::copy(bytes.begin(), bytes.end(), buffer.begin() + 2);
  // Writing past the end leaves the gap as zeros, that is as empty records.
  return impl_->file.WriteAt(RecordOffset(record), buffer.data(), buffer.size());
}

void RecordFile::Close() noexcept {
  if (impl_) impl_->file.Close();
}

}  // namespace pixferry
