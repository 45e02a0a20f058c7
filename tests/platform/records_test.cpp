#include "platform/records.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "platform/ansi_1252.h"
#include "platform/errors.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using namespace testing;
using Mode = RecordFile::Mode;

// Writes each record in turn to the file at path, opened once for writing; gives the first
// failure.
int WriteRecords(const std::string& path,
                 std::initializer_list<std::pair<int, std::string>> records) {
  RecordFile file;
  if (const int e = file.Open(path, Mode::WriteOnly)) return e;
  for (const auto& [record, text] : records) {
    if (const int e = file.Write(record, text)) return e;
  }
  return 0;
}

class RecordFileTest : public ::testing::Test {
 protected:
  std::string Read(int record) {
    RecordFile file;
    std::string text;
    EXPECT_EQ(file.Open(path, Mode::ReadOnly), 0);
    EXPECT_EQ(file.Read(record, text), 0);
    return text;
  }

  TempDir dir;
  std::string path = dir / "paths.dat";
};

// A new file gets its record as documented, and a gap reads as empty records. Opening for writing
// never truncates, and a write touches its own record only: the other records, their junk filler
// and bytes past record 4 survive byte for byte.
TEST_F(RecordFileTest, WritesTheDocumentedBytesOfItsOwnRecordOnly) {
  ASSERT_EQ(WriteRecords(path, {{1, "D:\\Cases"}}), 0);  // the file is created
  const std::string record1 = std::string("\x08\0D:\\Cases", 10) + std::string(245, '\0');
  EXPECT_EQ(ReadFile(path), record1);
  ASSERT_EQ(WriteRecords(path, {{4, "True"}}), 0);
  EXPECT_EQ(ReadFile(path), record1 + std::string(510, '\0') + std::string("\x04\0True", 6) +
                                std::string(249, '\0'));
  EXPECT_EQ(Read(2), "");

  const std::string record2 = RecordBytes("viewer.exe").replace(100, 5, "junk!");
  const std::string tail(300, '\x55');
  WriteFile(path,
            RecordBytes("C:\\Old") + record2 + RecordBytes("True") + RecordBytes("False") + tail);
  ASSERT_EQ(WriteRecords(path, {{1, "D:\\Cases"}, {4, "True"}}), 0);
  EXPECT_EQ(ReadFile(path),
            RecordBytes("D:\\Cases") + record2 + RecordBytes("True") + RecordBytes("True") + tail);
}

#ifndef _WIN32
// Windows uses the system's code page; elsewhere the file is always Windows-1252, and the limit
// counts its bytes, not those of UTF-8.
TEST_F(RecordFileTest, StoresTextInWindows1252AsTyped) {
  std::string euros;  // 253 characters, 759 bytes of UTF-8
  for (int i = 0; i < 253; ++i) euros += "\xE2\x82\xAC";
  ASSERT_EQ(WriteRecords(path, {{1, " D:\\Caf\xC3\xA9 "},
                                {2, "\xE6\x97\xA5.exe"},  // a character the code page cannot hold
                                {3, euros}}),
            0);
  EXPECT_EQ(WriteRecords(path, {{4, euros + "a"}}), err::kBadRecordLength);  // 254 bytes
  EXPECT_EQ(ReadFile(path), RecordBytes(" D:\\Caf\xE9 ") + RecordBytes("?.exe") +
                                RecordBytes(std::string(253, '\x80')));
  EXPECT_EQ(Read(1), " D:\\Caf\xC3\xA9 ");  // the blanks are kept
  EXPECT_EQ(Read(3), euros);
}

// Each write is flushed at once: closing cannot report a full disk, so the write must.
TEST(RecordFileDevice, AFullDiskSurfacesInWrite) {
  if (!testing::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  EXPECT_EQ(WriteRecords("/dev/full", {{1, "D:\\Cases"}}), err::kDiskFull);
}
#endif

// A damaged file never crashes the reader nor leaks one record into the next: a length out of
// range reads the whole text area, a text the end of the file cuts short reads what is there.
TEST_F(RecordFileTest, DamagedRecordsReadWithinTheirRecord) {
  // Lengths -1, 300, 254 (one past the limit) and 10, the last cut short by the file's end.
  WriteFile(path, std::string(2, '\xFF') + "abc" + std::string(250, '\0') + "\x2C\x01" +
                      std::string(253, 'z') + std::string("\xFE\0", 2) + std::string(253, 'q') +
                      RecordBytes("D:\\Cases 1").substr(0, 6));
  EXPECT_EQ(Read(1), "abc");                  // up to the filler's first NUL
  EXPECT_EQ(Read(2), std::string(253, 'z'));  // never the next record's length bytes
  EXPECT_EQ(Read(3), std::string(253, 'q'));
  EXPECT_EQ(Read(4), "D:\\C");
  EXPECT_EQ(Read(5), "");
  WriteFile(path, "\x05");  // not even a whole length
  EXPECT_EQ(Read(1), "");
}

// The code page on POSIX: every byte survives the trip through UTF-8; a character it cannot hold,
// and each byte of malformed UTF-8, becomes one "?" without reading past the text.
TEST(Windows1252, EveryByteRoundTripsAndTheRestBecomesQuestionMarks) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
  EXPECT_EQ(Windows1252ToUtf8("\x80\x99"), "\xE2\x82\xAC\xE2\x84\xA2");  // the euro, trade mark
  EXPECT_EQ(Utf8ToWindows1252("a\xF0\x9F\x93\xB7_"), "a?_");             // an emoji, 4 bytes
  EXPECT_EQ(Utf8ToWindows1252("x\xC3"), "x?");
  EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), "??");       // an overlong "/" is no separator
  EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");  // a surrogate
}

}  // namespace
}  // namespace pixferry
