// What the platform layer does only on Windows: hidden and system attributes set by the system,
// names compared without case, drive roots, the copy's temporary file and kept attributes, the
// ANSI code page and the locale's dates.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/ansi.h"
#include "platform/dates.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::MakeFolders;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> ListAll(const std::string& pattern, int mask) {
  std::vector<std::string> names;
  Listing listing(pattern, mask);
  while (auto name = listing.Next()) names.push_back(*name);
  EXPECT_EQ(listing.error(), 0);
  std::sort(names.begin(), names.end());
  return names;
}

void SetAttributes(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(Widen(path).c_str(), attributes)) << path;
}

int ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class WindowsListing : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "B.JPG", "b");
    WriteFile(dir / "hidden.jpg", "h");
    WriteFile(dir / "system.jpg", "s");
    MakeFolders(dir / "sub");
    SetAttributes(dir / "hidden.jpg", FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(dir / "system.jpg", FILE_ATTRIBUTE_SYSTEM);
  }
  TempDir dir;
};

TEST_F(WindowsListing, HiddenAndSystemFilesComeOnlyWithTheirBits) {
  EXPECT_EQ(ListAll(dir / "*", 0), (std::vector<std::string>{"B.JPG", "a.jpg"}));
  EXPECT_EQ(ListAll(dir / "*", attr::kHidden),
            (std::vector<std::string>{"B.JPG", "a.jpg", "hidden.jpg"}));
  EXPECT_EQ(ListAll(dir / "*", attr::kSystem),
            (std::vector<std::string>{"B.JPG", "a.jpg", "system.jpg"}));
  EXPECT_EQ(
      ListAll(dir / "*.*", 22),
      (std::vector<std::string>{".", "..", "B.JPG", "a.jpg", "hidden.jpg", "sub", "system.jpg"}));
  EXPECT_EQ(ReadAttributes(dir / "hidden.jpg") & attr::kHidden, attr::kHidden);
  EXPECT_FALSE(ListingFindsEntry(dir / "hidden.jpg", 0));
  EXPECT_TRUE(ListingFindsEntry(dir / "hidden.jpg", attr::kHidden));
}

TEST_F(WindowsListing, NamesMatchWithoutRegardToCase) {
  EXPECT_EQ(ListAll(dir / "*.jpg", 0), (std::vector<std::string>{"B.JPG", "a.jpg"}));
  EXPECT_EQ(ListAll(dir / "A.JPG", 0), (std::vector<std::string>{"a.jpg"}));
  EXPECT_TRUE(ListingFindsEntry(dir / "SUB", attr::kDirectory));
}

TEST_F(WindowsListing, ThePatternDecidesTheDotEntriesAndNoShortNameMatches) {
  WriteFile(dir / "longextension.jpeg", "l");
  // "*.jpe" would match "longextension.jpeg" through its 8.3 name "LONGEX~1.JPE".
  EXPECT_TRUE(ListAll(dir / "*.jpe", attr::kDirectory).empty());
  EXPECT_EQ(ListAll(dir / "IMG*", attr::kDirectory), std::vector<std::string>{});
  EXPECT_EQ(ListAll(dir / "s*", attr::kDirectory), (std::vector<std::string>{"sub"}));
}

TEST_F(WindowsListing, ADriveRootListsTheDotEntriesAndIsAMountPoint) {
  Listing root("Z:\\", attr::kDirectory);
  EXPECT_EQ(root.Next(), std::optional<std::string>("."));
  EXPECT_EQ(root.Next(), std::optional<std::string>(".."));
  EXPECT_TRUE(IsMountPoint("Z:\\"));
  EXPECT_FALSE(IsMountPoint(dir.path()));
  EXPECT_FALSE(IsMountPoint(dir / "a.jpg"));
  EXPECT_FALSE(IsMountPoint(dir / "missing"));
}

TEST_F(WindowsListing, TheCurrentDirectoryOfADriveRootKeepsItsSeparator) {
  testing::ScopedCurrentDirectory cd("Z:\\");
  EXPECT_EQ(CurrentDirectory(), "Z:\\");
}

TEST_F(WindowsListing, RemovingAReadOnlyFileNeedsItsAttributesClearedFirst) {
  SetAttributes(dir / "a.jpg", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(TryRemoveFile(dir / "a.jpg"), err::kPermissionDenied);
  EXPECT_EQ(TryWriteAttributes(dir / "a.jpg", attr::kNormal), 0);
  EXPECT_EQ(ReadAttributes(dir / "a.jpg") & attr::kReadOnly, 0);
  EXPECT_EQ(TryRemoveFile(dir / "a.jpg"), 0);
  EXPECT_EQ(TryRemoveFile(dir / "sub"), err::kFileNotFound);
}

class WindowsCopy : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(WindowsCopy, LeavesNoTemporaryFileAndKeepsTheTimeAndReadOnly) {
  WriteFile(dir / "card/a.jpg", "photo");
  SetAttributes(dir / "card/a.jpg", FILE_ATTRIBUTE_READONLY);
  MakeFolders(dir / "case");
  CopyWholeFile(dir / "card/a.jpg", dir / "case/a.jpg");
  EXPECT_EQ(ReadFile(dir / "case/a.jpg"), "photo");
  EXPECT_EQ(ListAll(dir / "case\\*", 22), (std::vector<std::string>{".", "..", "a.jpg"}));
  const int attributes = ReadAttributes(dir / "case/a.jpg");
  EXPECT_TRUE(attributes & attr::kReadOnly);
  EXPECT_FALSE(attributes & attr::kHidden) << "the temporary file's hidden bit stayed";

  WIN32_FILE_ATTRIBUTE_DATA from{}, to{};
  ::GetFileAttributesExW(Widen(dir / "card/a.jpg").c_str(), GetFileExInfoStandard, &from);
  ::GetFileAttributesExW(Widen(dir / "case/a.jpg").c_str(), GetFileExInfoStandard, &to);
  EXPECT_EQ(::CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime), 0);
}

TEST_F(WindowsCopy, ReplacesAnEarlierCopyAndLeavesAFileCopiedOntoItselfIntact) {
  WriteFile(dir / "a.jpg", "new");
  WriteFile(dir / "case/a.jpg", "old and longer");
  CopyWholeFile(dir / "a.jpg", dir / "case/a.jpg");
  EXPECT_EQ(ReadFile(dir / "case/a.jpg"), "new");
  CopyWholeFile(dir / "a.jpg", dir / "a.jpg");
  CopyWholeFile(dir / "a.jpg", dir / "A.JPG");  // the same file under another spelling
  EXPECT_EQ(ReadFile(dir / "a.jpg"), "new");
  EXPECT_EQ(ListAll(dir / "*", 22), (std::vector<std::string>{".", "..", "a.jpg", "case"}));
}

TEST_F(WindowsCopy, FailuresGiveTheirNumbersAndLeaveNothingBehind) {
  WriteFile(dir / "a.jpg", "a");
  EXPECT_EQ(ErrorOf([&] { CopyWholeFile(dir / "missing.jpg", dir / "b.jpg"); }),
            err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { CopyWholeFile(dir / "gone/a.jpg", dir / "b.jpg"); }), err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { CopyWholeFile(dir / "a.jpg", dir / "gone/a.jpg"); }), err::kPathNotFound);
  MakeFolders(dir / "folder");
  EXPECT_EQ(ErrorOf([&] { CopyWholeFile(dir / "a.jpg", dir / "folder"); }),
            err::kPathFileAccessError);
  // A destination that is a folder stays untouched, with no temporary file beside it.
  EXPECT_EQ(ListAll(dir / "*", 22), (std::vector<std::string>{".", "..", "a.jpg", "folder"}));
}

TEST_F(WindowsCopy, AReadOnlyEarlierCopyIsReplacedWhenTheCopyIsAskedFor) {
  // The operator has confirmed the overwrite; a photo the camera protected (read-only on the
  // card, so read-only in the case folder) would otherwise never be replaceable.
  WriteFile(dir / "a.jpg", "new");
  WriteFile(dir / "case/a.jpg", "old");
  SetAttributes(dir / "case/a.jpg", FILE_ATTRIBUTE_READONLY);
  CopyWholeFile(dir / "a.jpg", dir / "case/a.jpg");
  EXPECT_EQ(ReadFile(dir / "case/a.jpg"), "new");
  EXPECT_EQ(ReadAttributes(dir / "case/a.jpg") & attr::kReadOnly, 0);
  EXPECT_EQ(ListAll(dir / "case\\*", 22), (std::vector<std::string>{".", "..", "a.jpg"}));
}

TEST(WindowsAnsi, TheSystemCodePageHoldsWhatItCanAndTheRestBecomesQuestionMarks) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the system code page is " << ::GetACP();
  EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  // No best fit: a letter the code page lacks is not quietly changed into a similar one.
  EXPECT_EQ(Utf8ToAnsi("\xC4\x81 \xD0\x96 \xE6\x97\xA5"), "? ? ?");
  EXPECT_EQ(Utf8ToAnsi(""), "");
}

TEST(WindowsDates, TheShortDateAndTheParsersOrderFollowTheUsersLocale) {
  wchar_t pattern[80] = {};
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 80);
  if (std::wstring(pattern) != L"M/d/yyyy") GTEST_SKIP() << "another locale";
  EXPECT_EQ(ShortDateText({2008, 3, 2}), "3/2/2008");
  EXPECT_EQ(LocaleDateOrder(), DateOrder::MonthDayYear);
  EXPECT_EQ(ParseDate(ShortDateText({2008, 3, 2})), (CalendarDate{2008, 3, 2}));
  const CalendarDate today = Today();
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  EXPECT_EQ(today, (CalendarDate{now.wYear, now.wMonth, now.wDay}));
}

}  // namespace
}  // namespace pixferry
