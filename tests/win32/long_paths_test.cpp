// Paths as the Windows API is handed them: absolute and prefixed so any length works, names
// that end in a dot or a blank reached as they are, a path never read as a pattern, the
// numbers a vanished medium gives. (Wine enforces no length limit, so the prefix is shown by the
// names it alone reaches.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cleanse/mdlDeleteTree.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"
#include "tests/support/tempdir.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry {
namespace {

using testing::Finds;
using testing::Names;
using testing::ScopedCurrentDirectory;
using testing::TempDir;
using win32::testing::ListNames;

// Writes a file through the long form, which keeps a trailing dot or blank of its name.
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
           {L"C:/a//b/", L"\\\\?\\C:\\a\\b"},
           {L"C:\\..\\a\\.\\b\\..\\c\\", L"\\\\?\\C:\\a\\c"},
           {L"C:\\name.\\name \\x.", L"\\\\?\\C:\\name.\\name \\x."},
           {L"//server/share/x/../../y", L"\\\\?\\UNC\\server\\share\\y"},
           {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},
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
    EXPECT_EQ(testing::StampAt(card + "\\" + name).size, name.size());
  }
  EXPECT_TRUE(Finds(card + "\\folder.", attr::kDirectory));
  testing::GuardDeletion(card);
  EXPECT_EQ(DeleteFolderTree(card), 0);
  EXPECT_EQ(ListNames(dir / "*", attr::kDirectory), (Names{".", "..", "IMG_0001.JPG"}));
  EXPECT_EQ(testing::ReadFile(dir / "IMG_0001.JPG"), "the other one");
}

// No Windows name holds * ? < > " | or : (past the drive), nor a control character: a path with
// one (from paths.dat or a box) names nothing, never a folder or file that the search would
// match, nor a stream inside one.
TEST(WindowsNames, APathIsNeverReadAsAPattern) {
  TempDir dir;
  ThrowIfError(MakeFolder(dir / "Cases"));
  testing::WriteFile(dir / "Cases/ab.jpg", "ab");
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

TEST(WindowsErrors, AVanishedMediumIsDeviceUnavailable) {
  constexpr unsigned long kNoSuchDevice = 433;
  for (const unsigned long e : {static_cast<unsigned long>(ERROR_DEVICE_NOT_CONNECTED),
                                kNoSuchDevice, static_cast<unsigned long>(ERROR_FILE_INVALID),
                                static_cast<unsigned long>(ERROR_INVALID_DRIVE),
                                static_cast<unsigned long>(ERROR_DEV_NOT_EXIST),
                                static_cast<unsigned long>(ERROR_DEVICE_REMOVED)}) {
    EXPECT_EQ(ErrorFromWin32(e), err::kDeviceUnavailable) << e;
    EXPECT_EQ(CopyErrorFromWin32(e), err::kDeviceUnavailable) << e;
  }
  // An empty drive is not ready; during a copy, it is the card gone.
  for (const unsigned long e :
       {static_cast<unsigned long>(ERROR_NOT_READY), static_cast<unsigned long>(ERROR_WRONG_DISK),
        static_cast<unsigned long>(ERROR_NO_MEDIA_IN_DRIVE)}) {
    EXPECT_EQ(ErrorFromWin32(e), err::kDiskNotReady) << e;
    EXPECT_EQ(CopyErrorFromWin32(e), err::kDeviceUnavailable) << e;
  }
  EXPECT_EQ(CopyErrorFromWin32(ERROR_CRC), err::kDeviceIoError);
  EXPECT_STREQ(RuntimeError(ErrorFromWin32(ERROR_DEVICE_NOT_CONNECTED)).what(),
               "68 Device unavailable");
}

}  // namespace
}  // namespace pixferry
