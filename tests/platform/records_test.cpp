#include "platform/records.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "tests/support/tempdir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pixferry {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using Mode = RecordFile::Mode;

// One record as the file holds it: length, text bytes, zero filler.
std::string RecordBytes(std::string_view ansi) {
  std::string r(255, '\0');
  r[0] = static_cast<char>(ansi.size() & 0xFF);
  r[1] = static_cast<char>(ansi.size() >> 8);
  r.replace(2, ansi.size(), ansi);
  return r;
}

int ErrorOf(auto&& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

std::string ReadRecord(const std::string& path, int record) {
  RecordFile f(path, Mode::ReadOnly);
  return f.Read(record);
}

class RecordFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir / "paths.dat";
};

TEST_F(RecordFileTest, WritesTheTwoDocumentedRecordsByteForByte) {
  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(1, "D:\\Cases");
  }
  const std::string record1 =
      std::string("\x08\x00\x44\x3A\x5C\x43\x61\x73\x65\x73", 10) + std::string(245, '\0');
  EXPECT_EQ(ReadFile(path), record1);

  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(4, "True");
  }
  const std::string record4 = std::string("\x04\x00\x54\x72\x75\x65", 6) + std::string(249, '\0');
  EXPECT_EQ(ReadFile(path), record1 + std::string(510, '\0') + record4);

  RecordFile f(path, Mode::ReadOnly);
  EXPECT_EQ(f.Read(1), "D:\\Cases");
  EXPECT_EQ(f.Read(2), "");  // the gap reads as empty records
  EXPECT_EQ(f.Read(3), "");
  EXPECT_EQ(f.Read(4), "True");
}

TEST_F(RecordFileTest, HoldsUpTo253BytesAndRefuses254LeavingTheRecordAsItWas) {
  RecordFile f(path, Mode::WriteOnly);
  f.Write(1, "old");
  f.Write(2, "second");
  const std::string before = ReadFile(path);

  EXPECT_EQ(ErrorOf([&] { f.Write(1, std::string(254, 'x')); }), err::kBadRecordLength);
  EXPECT_EQ(ReadFile(path), before);
  // A file that ends before the record is not extended by the refused write either.
  EXPECT_EQ(ErrorOf([&] { f.Write(9, std::string(300, 'x')); }), err::kBadRecordLength);
  EXPECT_EQ(ReadFile(path).size(), 510u);

  f.Write(1, std::string(253, 'y'));
  f.Close();
  EXPECT_EQ(ReadFile(path).substr(0, 255), "\xFD" + std::string(1, '\0') + std::string(253, 'y'));
  EXPECT_EQ(ReadRecord(path, 1), std::string(253, 'y'));
}

TEST_F(RecordFileTest, RecordsBeyondTheEndReadAsEmpty) {
  WriteFile(path, RecordBytes("D:\\Cases") + RecordBytes("Internal"));  // 510 bytes
  RecordFile f(path, Mode::ReadOnly);
  EXPECT_EQ(f.Read(1), "D:\\Cases");
  EXPECT_EQ(f.Read(2), "Internal");
  EXPECT_EQ(f.Read(3), "");
  EXPECT_EQ(f.Read(4), "");
  EXPECT_EQ(f.Read(1000), "");
}

TEST_F(RecordFileTest, WritingOneRecordLeavesTheOthersByteForByte) {
  // Records 2 and 3 carry junk filler, which must survive untouched.
  std::string record2 = RecordBytes("viewer.exe");
  record2.replace(100, 5, "junk!");
  std::string record3 = RecordBytes("True");
  record3[254] = '\x7F';
  WriteFile(path, RecordBytes("C:\\Old") + record2 + record3 + RecordBytes("False"));

  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(1, "D:\\Cases");
    f.Write(4, "True");
  }
  EXPECT_EQ(ReadFile(path), RecordBytes("D:\\Cases") + record2 + record3 + RecordBytes("True"));
}

TEST_F(RecordFileTest, WriteOnlyCreatesButNeverShortens) {
  {
    RecordFile f(path, Mode::WriteOnly);  // missing: created
  }
  EXPECT_EQ(ReadFile(path), "");

  const std::string tail(2000, '\x55');
  WriteFile(path, tail);
  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(1, "short");
  }
  const std::string after = ReadFile(path);
  ASSERT_EQ(after.size(), 2000u);
  EXPECT_EQ(after.substr(0, 255), RecordBytes("short"));
  EXPECT_EQ(after.substr(255), tail.substr(255));
}

TEST_F(RecordFileTest, TextIsKeptExactlyAsTyped) {
  const std::string texts[] = {" D:\\Cases", "D:\\Cases ", "", "a  b", "MiXeD"};
  {
    RecordFile f(path, Mode::WriteOnly);
    for (int i = 0; i < 5; ++i) f.Write(i + 1, texts[i]);
  }
  RecordFile f(path, Mode::ReadOnly);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.Read(i + 1), texts[i]);
}

TEST_F(RecordFileTest, StoresTextInTheAnsiCodePage) {
  const std::string cafe = "D:\\Caf\xC3\xA9";  // "Café"
  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(1, cafe);
  }
  EXPECT_EQ(ReadFile(path), RecordBytes(Utf8ToAnsi(cafe)));
  EXPECT_EQ(ReadRecord(path, 1), AnsiToUtf8(Utf8ToAnsi(cafe)));
}

#ifndef _WIN32
// Windows uses the system's code page; elsewhere the file is always Windows-1252.
TEST_F(RecordFileTest, StoresTextInWindows1252) {
  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(1, "D:\\Caf\xC3\xA9 \xE2\x82\xAC");  // "Café €"
    f.Write(2, "\xE6\x97\xA5\xE6\x9C\xAC.exe");  // CJK the code page cannot hold
  }
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.substr(0, 255), RecordBytes("D:\\Caf\xE9 \x80"));
  EXPECT_EQ(bytes.substr(255), RecordBytes("??.exe"));
  EXPECT_EQ(ReadRecord(path, 1), "D:\\Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ReadRecord(path, 2), "??.exe");
}

TEST_F(RecordFileTest, TheLimitCountsCodePageBytesNotUtf8Bytes) {
  std::string euros;  // 253 characters, 759 bytes of UTF-8, 253 bytes of Windows-1252
  for (int i = 0; i < 253; ++i) euros += "\xE2\x82\xAC";
  {
    RecordFile f(path, Mode::WriteOnly);
    f.Write(1, euros);
    EXPECT_EQ(ErrorOf([&] { f.Write(2, euros + "a"); }), err::kBadRecordLength);
  }
  EXPECT_EQ(ReadRecord(path, 1), euros);
}
#endif

TEST_F(RecordFileTest, DamagedLengthsReadSafelyWithinTheirRecord) {
  std::string negative = RecordBytes("");
  negative[0] = '\xFF';
  negative[1] = '\xFF';  // -1
  negative.replace(2, 3, "abc");
  std::string too_long = RecordBytes("");
  too_long[0] = '\x2C';
  too_long[1] = '\x01';  // 300
  too_long.replace(2, 253, std::string(253, 'z'));
  std::string boundary = RecordBytes(std::string(253, 'q'));
  boundary[0] = '\xFE';  // 254, one past the limit
  WriteFile(path, negative + too_long + boundary + RecordBytes("Next"));

  RecordFile f(path, Mode::ReadOnly);
  EXPECT_EQ(f.Read(1), "abc" + std::string(250, '\0'));
  EXPECT_EQ(f.Read(2), std::string(253, 'z'));  // never the next record's length bytes
  EXPECT_EQ(f.Read(3), std::string(253, 'q'));
  EXPECT_EQ(f.Read(4), "Next");
}

TEST_F(RecordFileTest, TextCutShortByTheEndOfTheFileReadsAsTheBytesThere) {
  WriteFile(path, RecordBytes("full") + std::string("\x0A\x00"
                                                    "D:\\C",
                                                    6));
  RecordFile f(path, Mode::ReadOnly);
  EXPECT_EQ(f.Read(1), "full");
  EXPECT_EQ(f.Read(2), "D:\\C");

  WriteFile(dir / "one.dat", "\x05");  // not even a whole length
  EXPECT_EQ(ReadRecord(dir / "one.dat", 1), "");
  WriteFile(dir / "two.dat", std::string("\x05\x00", 2));
  EXPECT_EQ(ReadRecord(dir / "two.dat", 1), "");
}

TEST_F(RecordFileTest, ReadOnlyOfAMissingFileRaises53AndCreatesNothing) {
  EXPECT_EQ(ErrorOf([&] { RecordFile f(path, Mode::ReadOnly); }), err::kFileNotFound);
  EXPECT_FALSE(testing::Exists(path));
  EXPECT_EQ(ErrorOf([&] { RecordFile f(dir / "no/such/paths.dat", Mode::ReadOnly); }),
            err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { RecordFile f(dir / "no/such/paths.dat", Mode::WriteOnly); }),
            err::kPathNotFound);
}

TEST_F(RecordFileTest, AFolderIsNoRecordFile) {
  testing::MakeFolders(path);
  EXPECT_EQ(ErrorOf([&] { RecordFile f(path, Mode::ReadOnly); }), err::kPathFileAccessError);
  EXPECT_EQ(ErrorOf([&] { RecordFile f(path, Mode::WriteOnly); }), err::kPathFileAccessError);
}

TEST_F(RecordFileTest, TransfersCheckTheModeTheRecordNumberAndThatTheFileIsOpen) {
  RecordFile w(path, Mode::WriteOnly);
  EXPECT_EQ(ErrorOf([&] { w.Read(1); }), err::kBadFileMode);
  EXPECT_EQ(ErrorOf([&] { w.Write(0, "x"); }), err::kBadRecordNumber);
  EXPECT_EQ(ErrorOf([&] { w.Write(-3, "x"); }), err::kBadRecordNumber);
  EXPECT_TRUE(w.IsOpen());
  w.Close();
  w.Close();  // a second close does nothing
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(ErrorOf([&] { w.Write(1, "x"); }), err::kBadFileNameOrNumber);
  EXPECT_EQ(ReadFile(path), "");

  RecordFile r(path, Mode::ReadOnly);
  EXPECT_EQ(ErrorOf([&] { r.Write(1, "x"); }), err::kBadFileMode);
  EXPECT_EQ(ErrorOf([&] { r.Read(0); }), err::kBadRecordNumber);
}

TEST_F(RecordFileTest, OpensAPathWithCharactersOutsideAscii) {
  const std::string folder = dir / "Caf\xC3\xA9 \xE6\x97\xA5";
  testing::MakeFolders(folder);
  {
    RecordFile f(folder + "/paths.dat", Mode::WriteOnly);
    f.Write(1, "x");
  }
  EXPECT_EQ(ReadRecord(folder + "/paths.dat", 1), "x");
}

#ifndef _WIN32
TEST_F(RecordFileTest, AReadOnlyFileRefusesWritingWith70) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which may write any file";
  WriteFile(path, RecordBytes("keep"));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(ErrorOf([&] { RecordFile f(path, Mode::WriteOnly); }), err::kPermissionDenied);
  EXPECT_EQ(ReadRecord(path, 1), "keep");
}

TEST(RecordFileDevice, AFullDiskSurfacesInWrite) {
  if (!testing::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  RecordFile f("/dev/full", Mode::WriteOnly);
  EXPECT_EQ(ErrorOf([&] { f.Write(1, "D:\\Cases"); }), err::kDiskFull);
  f.Close();
}
#endif

}  // namespace
}  // namespace pixferry
