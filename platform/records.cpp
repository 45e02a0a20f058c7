#include "platform/records.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ios>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/faults.h"

namespace fs = std::filesystem;

// Record layout: bytes 0-1 hold the text's length L as a signed 16-bit little-endian number,
// bytes 2 to 2+L-1 the text in the ANSI code page, the rest zeros.
//
// A damaged file must never crash the reader nor leak one record into the next. A record whose
// length is negative or over 253 reads as the 253 bytes its text area can hold, and a text that
// the end of the file cuts short reads as the bytes that are there; a record too short to hold
// its length reads as the empty text.

namespace pixferry {
namespace {

fs::path PathFromUtf8(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The run-time number for an open that failed with errno value e.
int OpenError(const fs::path& path, int e) {
  std::error_code ec;
  const bool folder_missing = path.has_parent_path() && !fs::is_directory(path.parent_path(), ec);
  if (e == ENOENT && folder_missing) return err::kPathNotFound;
  if (e != 0) return ErrorFromErrno(e);
  if (folder_missing) return err::kPathNotFound;
  if (!fs::exists(path, ec)) return err::kFileNotFound;
  return err::kPathFileAccessError;
}

// The run-time number for a transfer that failed; the stream does not always leave errno set.
int TransferError(int e, int fallback) {
  return e != 0 ? ErrorFromErrno(e) : fallback;
}

std::streamoff RecordOffset(int record) {
  return static_cast<std::streamoff>(record - 1) * kRecordLength;
}

}  // namespace

struct RecordFile::Impl {
  std::fstream stream;
  Mode mode = Mode::ReadOnly;

  std::streamoff Size() {
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    return size < 0 ? 0 : size;
  }

  // Clears the stream's failure so the file stays usable, then reports it.
  [[noreturn]] void Fail(int e, int fallback) {
    stream.clear();
    throw RuntimeError(TransferError(e, fallback));
  }

  void Check(int record, Mode needed) const {
    if (!stream.is_open()) throw RuntimeError(err::kBadFileNameOrNumber);
    if (mode != needed) throw RuntimeError(err::kBadFileMode);
    if (record < 1) throw RuntimeError(err::kBadRecordNumber);
  }
};

RecordFile::RecordFile(const std::string& path, Mode mode) : impl_(std::make_unique<Impl>()) {
  const fs::path file = PathFromUtf8(path);
  impl_->mode = mode;
  if (const int e = faults::Check(faults::Op::RecordOpen)) throw RuntimeError(e);
  std::error_code ec;
  // A folder opens for reading on POSIX; it is no settings file all the same.
  if (fs::is_directory(file, ec)) throw RuntimeError(err::kPathFileAccessError);

  constexpr auto kBinary = std::ios::binary;
  errno = 0;
  if (mode == Mode::ReadOnly) {
    impl_->stream.open(file, std::ios::in | kBinary);
    if (!impl_->stream.is_open()) throw RuntimeError(OpenError(file, errno));
    return;
  }
  impl_->stream.open(file, std::ios::in | std::ios::out | kBinary);
  if (impl_->stream.is_open()) return;
  // Missing: create it in append mode, which never truncates a file that appeared meanwhile.
  {
    errno = 0;
    std::ofstream create(file, std::ios::out | std::ios::app | kBinary);
    if (!create.is_open()) throw RuntimeError(OpenError(file, errno));
  }
  errno = 0;
  impl_->stream.open(file, std::ios::in | std::ios::out | kBinary);
  if (!impl_->stream.is_open()) throw RuntimeError(OpenError(file, errno));
}

RecordFile::~RecordFile() {
  Close();
}

std::string RecordFile::Read(int record) {
  impl_->Check(record, Mode::ReadOnly);
  const std::streamoff offset = RecordOffset(record);
  errno = 0;
  const std::streamoff size = impl_->Size();
  if (size - offset < 2) return {};

  std::array<unsigned char, 2> head{};
  impl_->stream.seekg(offset);
  impl_->stream.read(reinterpret_cast<char*>(head.data()), 2);
  if (!impl_->stream) impl_->Fail(errno, err::kDeviceIoError);
  const auto length = static_cast<std::int16_t>(head[0] | (head[1] << 8));

  std::streamoff wanted = length;
  if (length < 0 || length > kRecordTextMax) wanted = kRecordTextMax;
  const std::streamoff count = std::min(wanted, size - offset - 2);
  std::string bytes(static_cast<std::size_t>(count), '\0');
  impl_->stream.read(bytes.data(), static_cast<std::streamsize>(count));
  if (!impl_->stream) impl_->Fail(errno, err::kDeviceIoError);
  return AnsiToUtf8(bytes);
}

void RecordFile::Write(int record, const std::string& text) {
  impl_->Check(record, Mode::WriteOnly);
  if (const int e = faults::Check(faults::Op::RecordWrite)) throw RuntimeError(e);
  const std::string bytes = Utf8ToAnsi(text);
  if (bytes.size() > static_cast<std::size_t>(kRecordTextMax)) {
    throw RuntimeError(err::kBadRecordLength);
  }
  std::array<char, kRecordLength> buffer{};  // zero filler
  buffer[0] = static_cast<char>(bytes.size() & 0xFF);
  buffer[1] = static_cast<char>((bytes.size() >> 8) & 0xFF);
  std::copy(bytes.begin(), bytes.end(), buffer.begin() + 2);

  // Seeking past the end and writing leaves the gap as zeros, that is as empty records.
  errno = 0;
  impl_->stream.seekp(RecordOffset(record));
  impl_->stream.write(buffer.data(), kRecordLength);
  // Flushed at once: Close cannot report a failure, so a full disk must surface here.
  impl_->stream.flush();
  if (!impl_->stream) impl_->Fail(errno, err::kDeviceIoError);
}

void RecordFile::Close() noexcept {
  if (!impl_ || !impl_->stream.is_open()) return;
  impl_->stream.close();
  impl_->stream.clear();
}

bool RecordFile::IsOpen() const noexcept {
  return impl_ && impl_->stream.is_open();
}

}  // namespace pixferry
