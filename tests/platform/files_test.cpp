#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Two photos, a read-only one, hidden entries and an empty folder.
class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "B.JPG", "b");
    WriteFile(dir / ".hidden.jpg", "h");
    MakeFolders(dir / "sub");
    MakeFolders(dir / ".hiddendir");
    WriteFile(dir / "readonly.jpg", "r");
    fs::permissions(dir / "readonly.jpg", fs::perms::owner_read | fs::perms::group_read);
  }
  TempDir dir;
};

// Folders, hidden entries and "." and ".." only when the mask asks for them.
TEST_F(ListingTest, TheMaskSelectsFilesFoldersAndHiddenEntries) {
  const Names files{"B.JPG", "a.jpg", "readonly.jpg"};
  EXPECT_EQ(ListNames(dir.path() + kSep, 0), files);
  EXPECT_EQ(ListNames(dir / "*.*", 0), files);
  EXPECT_EQ(ListNames(dir / "*", attr::kDirectory),
            (Names{".", "..", "B.JPG", "a.jpg", "readonly.jpg", "sub"}));
  EXPECT_EQ(ListNames(dir / "*", 22), (Names{".", "..", ".hidden.jpg", ".hiddendir", "B.JPG",
                                             "a.jpg", "readonly.jpg", "sub"}));
  // A folder that is missing, or is a file, lists as empty without an error.
  EXPECT_TRUE(ListNames(dir / "nothere/*", 22).empty());
  EXPECT_TRUE(ListNames(dir / "a.jpg/*", 22).empty());
}

// A folder is found only with the folder bit, whether or not its path ends in the separator.
TEST_F(ListingTest, ABarePathFindsThatOneEntryByMask) {
  EXPECT_TRUE(Finds(dir / "sub", attr::kDirectory));
  EXPECT_FALSE(Finds(dir / "sub", 0));
  EXPECT_FALSE(Finds(dir / "missing/deeper", attr::kDirectory));
  // With the separator an empty folder still finds its "." entry, but only with the folder bit.
  EXPECT_TRUE(Finds(dir / "sub" + kSep, attr::kDirectory));
  EXPECT_FALSE(Finds(dir / "sub" + kSep, 0));
}

#ifndef _WIN32
// A whole path names one entry as written: the wildcard characters and a leading "." are part
// of the name there. Listings of a folder's contents still leave dot entries out.
TEST_F(ListingTest, AWholePathIsLookedUpExactlyAsWritten) {
  EXPECT_TRUE(Finds(dir / ".hiddendir", attr::kDirectory));
  EXPECT_TRUE(Finds(dir / ".hidden.jpg", attr::kNormal));
  EXPECT_FALSE(Finds(dir / ".hidden.jpg/", attr::kNormal));
  EXPECT_EQ(ListNames(dir / ".hidden.jpg", 0), Names{".hidden.jpg"});

  // No pattern here: "a*.jpg" is not "a.jpg", nor "C?1" "Ca1", in the last name or before it.
  MakeFolders(dir / "Ca1");
  for (const char* name : {"a*.jpg", "C?1", "C[a]1", "C?1/sub"}) {
    EXPECT_FALSE(Finds(dir / name, attr::kDirectory)) << name;
  }
  WriteFile(dir / "a*.jpg", "star");
  EXPECT_TRUE(Finds(dir / "a*.jpg", attr::kNormal));

  // The folder's contents: dot entries stay out, as before.
  EXPECT_EQ(ListNames(dir.path() + kSep, 0), (Names{"B.JPG", "a*.jpg", "a.jpg", "readonly.jpg"}));
}
#endif

// As the two numbers read on Windows: "file not found" in a folder that exists or for a folder
// that is no file, "path not found" when the folder is missing.
TEST_F(ListingTest, WhatIsMissingOrInTheWayGivesItsNumber) {
  int attributes = 0;
  EXPECT_EQ(ReadAttributes(dir / "missing.jpg", attributes), err::kFileNotFound);
  EXPECT_EQ(ReadAttributes(dir / "missing/x.jpg", attributes), err::kPathNotFound);
  EXPECT_EQ(MakeFolder(dir / "x/y"), err::kPathNotFound);
  WriteFile(dir / "sub/f", "f");
  EXPECT_EQ(MakeFolder(dir / "sub"), err::kPathFileAccessError);
  EXPECT_TRUE(Exists(dir / "sub/f"));
}

// "*.*" takes names without a dot; "?" needs a character; a star backtracks.
TEST(NamePatterns, WildcardsMatchAsTheListingApplies) {
  EXPECT_TRUE(MatchesNamePattern("README", "*.*"));  // no dot needed
  EXPECT_FALSE(MatchesNamePattern("a", "a?"));
  EXPECT_TRUE(MatchesNamePattern("aaaab", "*a*a*b"));  // backtracks
  EXPECT_TRUE(MatchesNamePattern("*ab", "*b"));        // a star in the name is no wildcard
}

// A card pulled out is no disk that is merely not ready: nothing retried on it can help.
TEST(Errors, AVanishedMediumIsDeviceUnavailable) {
  // ENOTCONN: a FUSE card's daemon died.
  for (const int e : {ENODEV, ENXIO, ENOTCONN})
    EXPECT_EQ(ErrorFromErrno(e), err::kDeviceUnavailable);
  EXPECT_STREQ(RuntimeError(ErrorFromErrno(ENODEV)).what(), "68 Device unavailable");
  EXPECT_EQ(ErrorFromErrno(EIO), err::kDeviceIoError);

  // An I/O error is the medium gone only when the file's folder went with it.
  TempDir dir;
  EXPECT_EQ(ErrorFromErrnoOn(EIO, dir / "IMG_0001.JPG"), err::kDeviceIoError);
  EXPECT_EQ(ErrorFromErrnoOn(EIO, dir / "gone/IMG_0001.JPG"), err::kDeviceUnavailable);
  EXPECT_EQ(ErrorFromErrnoOn(ENOENT, dir / "gone/IMG_0001.JPG"), err::kFileNotFound);
}

}  // namespace
}  // namespace pixferry
