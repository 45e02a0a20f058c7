#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::MakeFolders;
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

class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "B.JPG", "b");
    WriteFile(dir / ".hidden.jpg", "h");
    MakeFolders(dir / "sub");
    MakeFolders(dir / ".hiddendir");
    WriteFile(dir / "readonly.jpg", "r");
    std::filesystem::permissions(dir / "readonly.jpg", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::group_read);
  }
  TempDir dir;
};

TEST_F(ListingTest, MaskZeroGivesOrdinaryFilesOnly) {
  const std::vector<std::string> expected{"B.JPG", "a.jpg", "readonly.jpg"};
  EXPECT_EQ(ListAll(dir.path() + kSep, 0), expected);
  EXPECT_EQ(ListAll(dir / "*", 0), expected);
  EXPECT_EQ(ListAll(dir / "*.*", 0), expected);
}

TEST_F(ListingTest, FolderMaskAddsFoldersAndTheDotEntries) {
  const std::vector<std::string> expected{".", "..", "B.JPG", "a.jpg", "readonly.jpg", "sub"};
  EXPECT_EQ(ListAll(dir / "*", attr::kDirectory), expected);
}

TEST_F(ListingTest, MaskTwentyTwoGivesEverything) {
  const std::vector<std::string> expected{".",     "..",           ".hidden.jpg", ".hiddendir",
                                          "B.JPG", "a.jpg",        "readonly.jpg", "sub"};
  EXPECT_EQ(ListAll(dir / "*.*", 22), expected);
}

TEST_F(ListingTest, NamePatternsMatchCaseAsTheSystemDoes) {
#ifdef _WIN32
  EXPECT_EQ(ListAll(dir / "*.jpg", 0),
            (std::vector<std::string>{"B.JPG", "a.jpg", "readonly.jpg"}));
  EXPECT_EQ(ListAll(dir / "?.JPG", 0), (std::vector<std::string>{"B.JPG", "a.jpg"}));
#else
  EXPECT_EQ(ListAll(dir / "*.jpg", 0), (std::vector<std::string>{"a.jpg", "readonly.jpg"}));
  EXPECT_EQ(ListAll(dir / "?.JPG", 0), (std::vector<std::string>{"B.JPG"}));
#endif
}

TEST_F(ListingTest, BarePathFindsThatOneEntryByMask) {
  EXPECT_TRUE(ListingFindsEntry(dir / "sub", attr::kDirectory));
  EXPECT_FALSE(ListingFindsEntry(dir / "sub", 0));
  EXPECT_TRUE(ListingFindsEntry(dir / "a.jpg", 0));
  EXPECT_FALSE(ListingFindsEntry(dir / "missing", attr::kDirectory));
  EXPECT_FALSE(ListingFindsEntry(dir / "missing/deeper", attr::kDirectory));
  EXPECT_FALSE(ListingFindsEntry(dir / ".hiddendir", attr::kDirectory));
  EXPECT_TRUE(ListingFindsEntry(dir / ".hiddendir", 22));
  EXPECT_EQ(ListAll(dir / "sub", attr::kDirectory), std::vector<std::string>{"sub"});
}

TEST_F(ListingTest, AnEmptyFolderWithTrailingSeparatorStillFindsAnEntry) {
  EXPECT_TRUE(ListingFindsEntry(dir / "sub" + kSep, attr::kDirectory));
  EXPECT_FALSE(ListingFindsEntry(dir / "sub" + kSep, 0));
}

TEST_F(ListingTest, AMissingFolderListsAsEmptyWithoutError) {
  EXPECT_TRUE(ListAll(dir / "nothere/*", 22).empty());
  EXPECT_TRUE(ListAll(dir / "a.jpg/*", 22).empty());
}

TEST_F(ListingTest, AttributesReadFolderReadOnlyHiddenAndLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX attributes: the Windows ones are tested with the Windows build";
#endif
  EXPECT_EQ(ReadAttributes(dir / "sub"), attr::kDirectory);
  EXPECT_EQ(ReadAttributes(dir / "a.jpg"), attr::kNormal);
  EXPECT_EQ(ReadAttributes(dir / "readonly.jpg"), attr::kReadOnly);
  EXPECT_EQ(ReadAttributes(dir / ".hidden.jpg"), attr::kHidden);
  EXPECT_EQ(ReadAttributes(dir / ".hiddendir"), attr::kDirectory | attr::kHidden);
  std::filesystem::create_directory_symlink(dir / "sub", dir / "link");
  EXPECT_EQ(ReadAttributes(dir / "link"), attr::kDirectory | attr::kLink);
  WriteAttributes(dir / "readonly.jpg", 0);
  EXPECT_EQ(ReadAttributes(dir / "readonly.jpg"), attr::kNormal);
}

TEST_F(ListingTest, MissingPathsGiveFileOrPathNotFound) {
  int attributes = 0;
  EXPECT_EQ(TryReadAttributes(dir / "missing.jpg", attributes), err::kFileNotFound);
  EXPECT_EQ(TryReadAttributes(dir / "missing/x.jpg", attributes), err::kPathNotFound);
  EXPECT_EQ(TryRemoveFile(dir / "missing.jpg"), err::kFileNotFound);
  EXPECT_EQ(TryRemoveFolder(dir / "missing"), err::kPathNotFound);
}

TEST_F(ListingTest, FoldersAreMadeAndRemovedOneLevelAtATime) {
  EXPECT_EQ(TryMakeFolder(dir / "x/y"), err::kPathNotFound);
  EXPECT_EQ(TryMakeFolder(dir / "x"), 0);
  EXPECT_EQ(TryMakeFolder(dir / "x"), err::kPathFileAccessError);
  WriteFile(dir / "x/f", "f");
  EXPECT_NE(TryRemoveFolder(dir / "x"), 0);
  EXPECT_EQ(TryRemoveFile(dir / "x/f"), 0);
  EXPECT_EQ(TryRemoveFolder(dir / "x"), 0);
  EXPECT_FALSE(testing::Exists(dir / "x"));
}

TEST_F(ListingTest, RemovingALinkNeverTouchesWhatItLeadsTo) {
#ifdef _WIN32
  GTEST_SKIP() << "mingw's std::filesystem cannot make symbolic links";
#endif
  WriteFile(dir / "sub/keep.jpg", "k");
  std::filesystem::create_directory_symlink(dir / "sub", dir / "link");
  EXPECT_EQ(TryRemoveFolder(dir / "link"), 0);
  EXPECT_TRUE(testing::Exists(dir / "sub/keep.jpg"));
  std::filesystem::create_symlink(dir / "sub/keep.jpg", dir / "filelink");
  EXPECT_EQ(TryRemoveFile(dir / "filelink"), 0);
  EXPECT_TRUE(testing::Exists(dir / "sub/keep.jpg"));
}

TEST(MountPoints, TheRootIsOneAndAnOrdinaryFolderIsNot) {
  EXPECT_TRUE(IsMountPoint("/"));
  TempDir dir;
  EXPECT_FALSE(IsMountPoint(dir.path()));
}

TEST(NamePatterns, WildcardsMatchAsTheListingApplies) {
  EXPECT_TRUE(MatchesNamePattern("README", "*.*"));
  EXPECT_TRUE(MatchesNamePattern("anything", "*"));
  EXPECT_TRUE(MatchesNamePattern("IMG_0001.JPG", "IMG_*.JPG"));
  EXPECT_TRUE(MatchesNamePattern("a.b.c", "*.c"));
  EXPECT_FALSE(MatchesNamePattern("a.b.c", "*.b"));
  EXPECT_TRUE(MatchesNamePattern("ab", "a?"));
  EXPECT_FALSE(MatchesNamePattern("a", "a?"));
  EXPECT_TRUE(MatchesNamePattern("aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*b"));
  EXPECT_FALSE(MatchesNamePattern("aaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*a*b"));
  // A star in the name is an ordinary character, never a second wildcard.
  EXPECT_TRUE(MatchesNamePattern("*ab", "*b"));
}

TEST(CurrentDirectoryTest, ReportsTheFolderWeAreIn) {
  TempDir dir;
  testing::ScopedCurrentDirectory cd(dir.path());
  EXPECT_EQ(CurrentDirectory(), dir.path());
}

}  // namespace
}  // namespace pixferry
