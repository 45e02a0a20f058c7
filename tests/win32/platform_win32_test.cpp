// What the platform layer does only on Windows: patterns never matched by short names, drive
// roots, read-only files, the copy's temporary file, kept attributes and flushes, the ANSI code
// page and the locale's dates.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/ansi.h"
#include "platform/copy.h"
#include "platform/dates.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "tests/support/copy_one.h"
#include "tests/support/tempdir.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry {
namespace {

using testing::CopyWholeFile;
using testing::Names;
using testing::ReadFile;

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.jpg", "B.JPG"}) testing::WriteFile(dir / name, name);
    testing::MakeFolders(dir / "sub");
  }
  void SetAttributes(const std::string& name, DWORD attributes) {
    ASSERT_TRUE(::SetFileAttributesW(Widen(dir / name).c_str(), attributes)) << name;
  }
  Names List(const std::string& pattern, int mask) {
    return win32::testing::ListNames(dir / pattern, mask);
  }

  testing::TempDir dir;
};

TEST_F(WindowsFiles, APatternNeverMatchesThroughTheShortName) {
  // "*.jpe" would match through the 8.3 name "LONGEX~1.JPE".
  testing::WriteFile(dir / "longextension.jpeg", "l");
  EXPECT_EQ(List("*.jpe", attr::kDirectory), Names{});
}

TEST_F(WindowsFiles, ADriveRootListsTheDotEntriesAndKeepsItsSeparator) {
  Listing root("Z:\\", attr::kDirectory);
  EXPECT_EQ(root.Next(), std::optional<std::string>("."));
  EXPECT_EQ(root.Next(), std::optional<std::string>(".."));
  testing::ScopedCurrentDirectory cd("Z:\\");
  EXPECT_EQ(CurrentDirectory(), "Z:\\");
}

TEST_F(WindowsFiles, ReadOnlyIsKeptByACopyButNeverStopsAReplacement) {
  SetAttributes("a.jpg", FILE_ATTRIBUTE_READONLY);
  CopyWholeFile(dir / "a.jpg", dir / "sub/a.jpg");
  // No temporary file left, and not its hidden bit.
  EXPECT_EQ(List("sub\\*", 22), (Names{".", "..", "a.jpg"}));
  int attributes = 0;
  EXPECT_EQ(TryReadAttributes(dir / "sub/a.jpg", attributes), 0);
  EXPECT_EQ(attributes & (attr::kReadOnly | attr::kHidden), attr::kReadOnly);
  // The operator has confirmed the overwrite; a photo the camera protected would otherwise
  // never be replaceable.
  CopyWholeFile(dir / "B.JPG", dir / "sub/a.jpg");
  EXPECT_EQ(ReadFile(dir / "sub/a.jpg"), "B.JPG");
  EXPECT_EQ(TryReadAttributes(dir / "sub/a.jpg", attributes), 0);
  EXPECT_EQ(attributes & attr::kReadOnly, 0);
  EXPECT_EQ(List("sub\\*", 22), (Names{".", "..", "a.jpg"}));
  CopyJob self;  // the same file under another spelling: left whole, and no copy of itself
  self.Add(dir / "B.JPG", dir / "b.jpg");
  EXPECT_FALSE(self.Finish().at(0).verified);
  EXPECT_EQ(ReadFile(dir / "B.JPG"), "B.JPG");
}

TEST(WindowsAnsi, TheSystemCodePageHoldsWhatItCanWithoutBestFit) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the system code page is " << ::GetACP();
  // A letter the code page lacks is not quietly changed into a similar one.
  EXPECT_EQ(Utf8ToAnsi("\xC4\x81 \xD0\x96 \xE6\x97\xA5"), "? ? ?");
}

TEST(WindowsDates, TheShortDateAndTheParsersOrderFollowTheUsersLocale) {
  wchar_t pattern[80] = {};
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 80);
  if (std::wstring(pattern) != L"M/d/yyyy") GTEST_SKIP() << "another locale";
  EXPECT_EQ(ShortDateText({2008, 3, 2}), "3/2/2008");
  EXPECT_EQ(LocaleDateOrder(), DateOrder::MonthDayYear);
}

}  // namespace
}  // namespace pixferry
