// What the platform layer does only on Windows. Paths as the Windows API is handed them:
// absolute and prefixed so any length works, names that end in a dot or a blank reached as they
// are, a path never read as a pattern nor matched through a short name, drive roots. Then the
// numbers a vanished medium gives, read-only files and the copy's temporary file, flushes, the
// ANSI code page and the locale's dates. (Wine enforces no length limit, so the prefix is shown
// by the names it alone reaches.)
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "cleanse/mdlDeleteTree.h"
#include "platform/copy.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using namespace testing;

// Writes a file through the long form, which keeps a trailing dot or blank of its name.
bool WriteLong(const std::string& path, std::string_view bytes) {
  std::ofstream file(std::filesystem::path(LongPath(path)), std::ios::binary);
  return static_cast<bool>(file << bytes);
}

// An absolute path takes the prefix with its dots resolved; a relative one starts from the current
// folders.
TEST(LongPath, APathTakesThePrefixAbsoluteWithItsDotsResolved) {
  const std::pair<const wchar_t*, const wchar_t*> absolute[] = {
      {L"C:\\", L"\\\\?\\C:\\"},
      {L"C:/a//b/", L"\\\\?\\C:\\a\\b"},
      {L"C:\\..\\a\\.\\b\\..\\c\\", L"\\\\?\\C:\\a\\c"},
      {L"C:\\name.\\name \\x.", L"\\\\?\\C:\\name.\\name \\x."},
      {L"//server/share/x/../../y", L"\\\\?\\UNC\\server\\share\\y"},
      {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},
      {L"\\\\.\\COM1", L"\\\\.\\COM1"},
      {L"", L""},
  };
  for (const auto& [in, out] : absolute)
    EXPECT_EQ(LongPath(std::wstring_view(in)), out) << Narrow(in);
  TempDir dir;
  const ScopedCurrentDirectory cd(dir.path());
  const std::wstring here = L"\\\\?\\" + Widen(dir.path());
  const std::string drive = dir.path().substr(0, 2);  // "C:"
  EXPECT_EQ(LongPath("."), here);
  EXPECT_EQ(LongPath("sub\\..\\x"), here + L"\\x");
  EXPECT_EQ(LongPath(drive), here);  // a drive alone is its own current folder
  EXPECT_EQ(LongPath("\\x"), L"\\\\?\\" + Widen(drive) + L"\\x");
}

// Names another system wrote on a card: the usual rules would strip the trailing dot or blank
// and reach another file, or none. Delete removes them as they are, and only them.
TEST(WindowsNames, NamesEndingInADotOrABlankAreListedAndRemovedAsTheyAre) {
  TempDir dir;
  const std::string card = dir / "card";
  const Names names{"IMG_0001.JPG.", "IMG_0002.JPG "};
  ThrowIfError(MakeFolder(card));
  for (const std::string& name : names) ASSERT_TRUE(WriteLong(card + "\\" + name, name)) << name;
  ASSERT_TRUE(WriteLong(dir / "IMG_0001.JPG", "the other one"));
  ThrowIfError(MakeFolder(card + "\\folder."));
  EXPECT_EQ(ListNames(card + "\\*", attr::kDirectory),
            (Names{".", "..", "IMG_0001.JPG.", "IMG_0002.JPG ", "folder."}));
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Finds(card + "\\" + name, attr::kNormal));
    EXPECT_EQ(StampAt(card + "\\" + name).size, name.size());
  }
  EXPECT_TRUE(Finds(card + "\\folder.", attr::kDirectory));
  GuardDeletion(card);
  EXPECT_EQ(DeleteFolderTree(card), 0);
  EXPECT_EQ(ListNames(dir / "*", attr::kDirectory), (Names{".", "..", "IMG_0001.JPG"}));
  EXPECT_EQ(ReadFile(dir / "IMG_0001.JPG"), "the other one");
}

// No Windows name holds * ? < > " | or : (past the drive), nor a control character: a path with
// one (from paths.dat or a box) names nothing, never a folder or file that the search would
// match, nor a stream inside one.
TEST(WindowsNames, APathIsNeverReadAsAPattern) {
  TempDir dir;
  ThrowIfError(MakeFolder(dir / "Cases"));
  WriteFile(dir / "Cases/ab.jpg", "ab");
  for (const char* path :
       {"Ca?es", "C*", "Ca<es", "Cases>", "Cases\"", "Ca|es", "Cases:x", "Ca\x01"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(Finds(dir / path, attr::kDirectory));
    int attributes = 0;
    EXPECT_EQ(ReadAttributes(dir / path, attributes), err::kFileNotFound);
    EXPECT_EQ(MakeFolder(dir / path), err::kBadFileName);
    EXPECT_EQ(ListNames(dir / path + "\\*", attr::kDirectory), Names{});
  }
  EXPECT_FALSE(Finds(dir / "Cases/a?.jpg", attr::kNormal));
  EXPECT_FALSE(Finds(dir / "Cases/a<", attr::kNormal));
  FileStamp stamp;
  EXPECT_EQ(StampOf(dir / "Cases/a?.jpg", stamp), kNotThere);
  // Only what is really there answers, and the listing's own patterns still work.
  EXPECT_TRUE(Finds(dir / "Cases/ab.jpg", attr::kNormal));
  EXPECT_EQ(ListNames(dir / "Cases/a?.jpg", 0), Names{"ab.jpg"});
  EXPECT_EQ(ListNames(dir / "*", attr::kDirectory), (Names{".", "..", "Cases"}));
}

// A medium gone is 68; an empty drive is not ready, but during a copy it is the card gone too.
TEST(WindowsErrors, AVanishedMediumIsDeviceUnavailable) {
  EXPECT_STREQ(RuntimeError(ErrorFromWin32(ERROR_DEVICE_REMOVED)).what(), "68 Device unavailable");
  EXPECT_EQ(ErrorFromWin32(ERROR_NOT_READY), err::kDiskNotReady);
  EXPECT_EQ(CopyErrorFromWin32(ERROR_NOT_READY), err::kDeviceUnavailable);
  EXPECT_EQ(CopyErrorFromWin32(ERROR_DEVICE_NOT_CONNECTED), err::kDeviceUnavailable);
  EXPECT_EQ(CopyErrorFromWin32(ERROR_CRC), err::kDeviceIoError);
}

TEST(WindowsFiles, APatternNeverMatchesThroughTheShortName) {
  // "*.jpe" would match through the 8.3 name "LONGEX~1.JPE".
  TempDir dir;
  WriteFile(dir / "longextension.jpeg", "l");
  EXPECT_EQ(ListNames(dir / "*.jpe", attr::kDirectory), Names{});
}

TEST(WindowsFiles, ADriveRootListsTheDotEntriesAndKeepsItsSeparator) {
  Listing root("Z:\\", attr::kDirectory);
  EXPECT_EQ(root.Next(), std::optional<std::string>("."));
  EXPECT_EQ(root.Next(), std::optional<std::string>(".."));
  ScopedCurrentDirectory cd("Z:\\");
  EXPECT_EQ(CurrentFolder(), "Z:\\");
}

TEST(WindowsFiles, ReadOnlyIsKeptByACopyButNeverStopsAReplacement) {
  TempDir dir;
  for (const char* name : {"a.jpg", "B.JPG"}) WriteFile(dir / name, name);
  MakeFolders(dir / "sub");
  auto copy = [](const std::string& source, const std::string& destination) {
    CopyJob one;
    one.Add(source, destination);
    return one.Finish().at(0);
  };
  ASSERT_TRUE(::SetFileAttributesW(Widen(dir / "a.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(copy(dir / "a.jpg", dir / "sub/a.jpg").verified);
  // No temporary file left, and not its hidden bit.
  EXPECT_EQ(ListNames(dir / "sub\\*", 22), (Names{".", "..", "a.jpg"}));
  int attributes = 0;
  EXPECT_EQ(ReadAttributes(dir / "sub/a.jpg", attributes), 0);
  EXPECT_EQ(attributes & (attr::kReadOnly | attr::kHidden), attr::kReadOnly);
  // The operator has confirmed the overwrite; a photo the camera protected would otherwise
  // never be replaceable.
  ASSERT_TRUE(copy(dir / "B.JPG", dir / "sub/a.jpg").verified);
  EXPECT_EQ(ReadFile(dir / "sub/a.jpg"), "B.JPG");
  EXPECT_EQ(ReadAttributes(dir / "sub/a.jpg", attributes), 0);
  EXPECT_EQ(attributes & attr::kReadOnly, 0);
  EXPECT_EQ(ListNames(dir / "sub\\*", 22), (Names{".", "..", "a.jpg"}));
  // The same file under another spelling: left whole, and no copy of itself.
  EXPECT_FALSE(copy(dir / "B.JPG", dir / "b.jpg").verified);
  EXPECT_EQ(ReadFile(dir / "B.JPG"), "B.JPG");
}

}  // namespace
}  // namespace pixferry
#endif
