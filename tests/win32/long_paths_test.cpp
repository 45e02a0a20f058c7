// Paths as the Windows API is handed them: absolute and prefixed so any length works, names
// that end in a dot or a blank reached as they are, a path never read as a pattern, the
// numbers a vanished medium gives, and the manifest that lifts the length limit.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Names;
using testing::ScopedCurrentDirectory;
using testing::TempDir;

Names List(const std::string& pattern, int mask) {
  Names names;
  Listing listing(pattern, mask);
  while (auto name = listing.Next()) names.push_back(*name);
  EXPECT_EQ(listing.error(), 0) << pattern;
  std::sort(names.begin(), names.end());
  return names;
}

// Writes a file through the long form, so the test's own writing has no length limit.
bool WriteLong(const std::string& path, std::string_view bytes) {
  const HANDLE file = ::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

TEST(LongPath, AnAbsolutePathTakesThePrefixWithItsDotsResolved) {
  struct Case {
    const wchar_t *in, *out;
  };
  for (const Case& c : std::vector<Case>{
           {L"C:\\", L"\\\\?\\C:\\"},
           {L"C:\\a\\b", L"\\\\?\\C:\\a\\b"},
           {L"C:/a//b/", L"\\\\?\\C:\\a\\b"},
           {L"C:\\a\\.\\b\\..\\c\\", L"\\\\?\\C:\\a\\c"},
           {L"C:\\..\\..\\a", L"\\\\?\\C:\\a"},
           {L"C:\\name.\\name \\x.", L"\\\\?\\C:\\name.\\name \\x."},
           {L"\\\\server\\share\\x\\..\\y", L"\\\\?\\UNC\\server\\share\\y"},
           {L"\\\\server\\share\\..\\..\\y", L"\\\\?\\UNC\\server\\share\\y"},
           {L"//server/share/x/", L"\\\\?\\UNC\\server\\share\\x"},
           {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},
           {L"\\\\?\\UNC\\server\\share", L"\\\\?\\UNC\\server\\share"},
           {L"\\\\.\\COM1", L"\\\\.\\COM1"},
           {L"", L""},
       }) {
    EXPECT_EQ(LongPath(std::wstring_view(c.in)), c.out) << Narrow(c.in);
  }
}

TEST(LongPath, ARelativePathStartsFromTheCurrentFolders) {
  TempDir dir;
  const ScopedCurrentDirectory cd(dir.path());
  const std::wstring here = L"\\\\?\\" + Widen(dir.path());
  const std::string drive = dir.path().substr(0, 2);  // "C:"
  EXPECT_EQ(LongPath("."), here);
  EXPECT_EQ(LongPath("sub\\..\\x"), here + L"\\x");
  EXPECT_EQ(LongPath("a/b/"), here + L"\\a\\b");
  EXPECT_EQ(LongPath(drive), here);  // a drive alone is its own current folder
  EXPECT_EQ(LongPath(drive + "x"), here + L"\\x");
  EXPECT_EQ(LongPath("\\x"), L"\\\\?\\" + Widen(drive) + L"\\x");
}

// A folder path exactly length characters long, made from base on, its names up to 100 characters.
std::string MakeFolderOfLength(const std::string& base, std::size_t length) {
  std::string path = base;
  ThrowIfError(TryMakeFolder(path));
  while (path.size() < length) {
    const std::size_t room = length - path.size();
    const std::size_t n = room > 101 ? std::min<std::size_t>(100, room - 3) : room - 1;
    path += kSep + std::string(n, 'f');
    ThrowIfError(TryMakeFolder(path));
  }
  EXPECT_EQ(path.size(), length);
  return path;
}

// Around the classic limit of 260 and well past it: made, written into, listed, looked at and
// removed by the platform layer.
TEST(LongPaths, FoldersAroundAndPastTheClassicLimitWorkLikeAnyOther) {
  TempDir dir;
  for (const std::size_t length : {259u, 260u, 261u, 300u, 400u}) {
    SCOPED_TRACE(length);
    const std::string folder = MakeFolderOfLength(dir / std::to_string(length), length);
    const std::string photo = folder + kSep + "IMG_0001.JPG";
    ASSERT_TRUE(WriteLong(photo, "photo"));
    EXPECT_TRUE(ListingFindsEntry(folder, attr::kDirectory));
    EXPECT_TRUE(ListingFindsEntry(photo, attr::kNormal));
    EXPECT_EQ(List(folder + kSep + "*.JPG", 0), Names{"IMG_0001.JPG"});
    EXPECT_EQ(List(folder + kSep, attr::kDirectory), (Names{".", "..", "IMG_0001.JPG"}));
    int attributes = 0;
    EXPECT_EQ(TryReadAttributes(photo, attributes), 0);
    EXPECT_EQ(attributes & attr::kDirectory, 0);
    EXPECT_EQ(StampOf(photo).value_or(FileStamp{}).size, 5u);
    EXPECT_EQ(TryWriteAttributes(photo, attr::kNormal), 0);
    EXPECT_EQ(TryRemoveFile(photo), 0);
    EXPECT_FALSE(ListingFindsEntry(photo, attr::kNormal));
    EXPECT_EQ(TryRemoveFolder(folder), 0);
    EXPECT_FALSE(ListingFindsEntry(folder, attr::kDirectory));
  }
}

// The whole job: the case folder's path is 300 characters long.
TEST(LongPaths, ACaseFolderOf300CharactersIsCopiedIntoAndListed) {
  TempDir dir;
  testing::Harness h;
  frmMain& f = *h.form;
  const std::string card = dir / "card";
  ThrowIfError(TryMakeFolder(card));
  for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG"}) {
    testing::WriteFile(card + kSep + name, testing::JpegBytes() + name);
  }
  const std::string case_name = "0815_Desk_2008-03-02";
  f.strSavePath = MakeFolderOfLength(dir / "cases", 300 - 1 - case_name.size());
  f.strSourcePath = card;
  f.strRenameSwitch = "False";
  h.txtIncidentNumber.text = "0815";
  h.txtUser.text = "Desk";
  h.txtDate.text = "2008-03-02";
  f.cmdStartCopy_Click();
  const std::string case_folder = f.strSavePath + kSep + case_name;
  ASSERT_EQ(case_folder.size(), 300u);
  EXPECT_EQ(List(case_folder + kSep + "*", 0), (Names{"IMG_0001.JPG", "IMG_0002.JPG"}));
  EXPECT_EQ(f.lngTargetCount, 2);
  EXPECT_EQ(f.strTargetFiles[2], "IMG_0002.JPG");
  EXPECT_EQ(h.desktop.boxes, std::vector<testing::MessageBoxCall>{});
  EXPECT_EQ(h.txtMessage.text,
            "Photos copied successfully.  If you'd like to cleanse the photos from your "
            "source(disk), click 'Delete'.");
}

// Names another system wrote on a card: the usual rules would strip the trailing dot or blank
// and reach another file, or none.
TEST(WindowsNames, NamesEndingInADotOrABlankAreListedAndRemovedAsTheyAre) {
  TempDir dir;
  const Names names{"IMG_0001.JPG.", "IMG_0002.JPG "};
  for (const std::string& name : names) ASSERT_TRUE(WriteLong(dir / name, name)) << name;
  ASSERT_TRUE(WriteLong(dir / "IMG_0001.JPG", "the other one"));
  ThrowIfError(TryMakeFolder(dir / "folder."));
  EXPECT_EQ(List(dir / "*", attr::kDirectory),
            (Names{".", "..", "IMG_0001.JPG", "IMG_0001.JPG.", "IMG_0002.JPG ", "folder."}));
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(ListingFindsEntry(dir / name, attr::kNormal));
    EXPECT_EQ(StampOf(dir / name).value_or(FileStamp{}).size, name.size());
    EXPECT_EQ(TryRemoveFile(dir / name), 0);
  }
  EXPECT_TRUE(ListingFindsEntry(dir / "folder.", attr::kDirectory));
  EXPECT_EQ(TryRemoveFolder(dir / "folder."), 0);
  EXPECT_EQ(List(dir / "*", attr::kDirectory), (Names{".", "..", "IMG_0001.JPG"}));
  EXPECT_EQ(testing::ReadFile(dir / "IMG_0001.JPG"), "the other one");
}

// No Windows name holds * ? < > " | or : (past the drive), nor a control character: a path with
// one (from paths.dat or a box) names nothing, never a folder or file that the search would
// match, nor a stream inside one.
TEST(WindowsNames, APathIsNeverReadAsAPattern) {
  TempDir dir;
  ThrowIfError(TryMakeFolder(dir / "Cases"));
  testing::WriteFile(dir / "Cases/ab.jpg", "ab");
  for (const char* path :
       {"Ca?es", "C*", "Ca<es", "Cases>", "Cases\"", "Ca|es", "Cases:x", "Ca\x01"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(ListingFindsEntry(dir / path, attr::kDirectory));
    int attributes = 0;
    EXPECT_EQ(TryReadAttributes(dir / path, attributes), err::kFileNotFound);
    EXPECT_EQ(TryRemoveFolder(dir / path), err::kPathNotFound);
    EXPECT_EQ(TryMakeFolder(dir / path), err::kBadFileName);
    EXPECT_EQ(List(dir / path + "\\*", attr::kDirectory), Names{});
  }
  EXPECT_FALSE(ListingFindsEntry(dir / "Cases/a?.jpg", attr::kNormal));
  EXPECT_FALSE(ListingFindsEntry(dir / "Cases/a<", attr::kNormal));
  EXPECT_FALSE(StampOf(dir / "Cases/a?.jpg").has_value());
  EXPECT_EQ(TryRemoveFile(dir / "Cases/a?.jpg"), err::kFileNotFound);
  EXPECT_EQ(TryRemoveFile(dir / "Cases/*"), err::kFileNotFound);
  // Only what is really there answers, and the listing's own patterns still work.
  EXPECT_TRUE(ListingFindsEntry(dir / "Cases/ab.jpg", attr::kNormal));
  EXPECT_EQ(List(dir / "Cases/a?.jpg", 0), Names{"ab.jpg"});
  EXPECT_EQ(List(dir / "*", attr::kDirectory), (Names{".", "..", "Cases"}));
}

// A destination saved as "Ca?es" while "Cases" exists is a missing folder, not that one.
TEST(WindowsNames, ADestinationWithAWildcardIsAMissingFolder) {
  TempDir dir;
  ThrowIfError(TryMakeFolder(dir / "Cases"));
  ThrowIfError(TryMakeFolder(dir / "card"));
  testing::WriteFile(dir / "card/IMG_0001.JPG", testing::JpegBytes());
  testing::Harness h;
  frmMain& f = *h.form;
  f.strSavePath = dir / "Ca?es";
  f.strSourcePath = dir / "card";
  h.txtIncidentNumber.text = "0815";
  h.txtUser.text = "Desk";
  h.txtDate.text = "2008-03-02";
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<testing::MessageBoxCall>{
                {"There is a problem with the target directory.  The variable is missing or the "
                 "directory is not valid.",
                 48, "Error"},
                {"The target is set to " + f.strSavePath +
                     ".  Check your command documentation for information on how to fix this "
                     "setting.",
                 64, "Correction Needed"}}));
  EXPECT_EQ(List(dir / "Cases\\*", attr::kDirectory), (Names{".", ".."}));
}

TEST(WindowsErrors, AVanishedMediumIsDeviceUnavailable) {
  constexpr unsigned long kNoSuchDevice = 433;
  for (const unsigned long e : {static_cast<unsigned long>(ERROR_DEVICE_NOT_CONNECTED),
                                kNoSuchDevice, static_cast<unsigned long>(ERROR_FILE_INVALID),
                                static_cast<unsigned long>(ERROR_INVALID_DRIVE),
                                static_cast<unsigned long>(ERROR_DEV_NOT_EXIST)}) {
    EXPECT_EQ(ErrorFromWin32(e), err::kDeviceUnavailable) << e;
  }
  EXPECT_EQ(ErrorFromWin32(ERROR_NOT_READY), err::kDiskNotReady);
  EXPECT_STREQ(RuntimeError(ErrorFromWin32(ERROR_DEVICE_NOT_CONNECTED)).what(),
               "68 Device unavailable");
}

TEST(WindowsManifest, TheProgramDeclaresItselfLongPathAware) {
  const HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(nullptr, found)));
  const std::string manifest(bytes, ::SizeofResource(nullptr, found));
  EXPECT_NE(manifest.find("<longPathAware "
                          "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<"
                          "/longPathAware>"),
            std::string::npos)
      << manifest;
}

}  // namespace
}  // namespace pixferry
