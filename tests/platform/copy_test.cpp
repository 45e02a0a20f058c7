#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/faults.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::FileSizeLimit;
using testing::MakeFolders;
using testing::ReadFile;
using testing::RunningAsRoot;
using testing::TempDir;
using testing::UnwritableFolder;
using testing::WriteFile;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Every name in a folder, hidden ones included: a temporary file left behind shows here.
std::vector<std::string> AllNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int ErrorOfCopy(const std::string& from, const std::string& to) {
  try {
    CopyWholeFile(from, to);
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

using Names = std::vector<std::string>;

class CopyTest : public ::testing::Test {
 protected:
  TempDir dir, card, cases;
};

TEST_F(CopyTest, CopiesEveryByteOfFilesLargeAndSmall) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{20 * 1024},
                                 (std::size_t{1} << 20) + 7, std::size_t{3} << 20}) {
    const std::string name = "F" + std::to_string(size) + ".JPG";
    const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
    WriteFile(card / name, bytes);
    CopyWholeFile(card / name, cases / name);
    EXPECT_EQ(ReadFile(cases / name), bytes) << size;
    EXPECT_EQ(FileSize(cases / name), size);
  }
  EXPECT_EQ(AllNames(cases.path()).size(), 5u) << "a temporary file was left behind";
}

TEST_F(CopyTest, TheCopyKeepsTheTimeThePhotoWasTaken) {
  WriteFile(card / "IMG_0001.JPG", "photo");
  const auto taken = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(card / "IMG_0001.JPG", taken);
  CopyWholeFile(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  EXPECT_EQ(fs::last_write_time(cases / "IMG_0001.JPG"),
            fs::last_write_time(card / "IMG_0001.JPG"));
}

TEST_F(CopyTest, ReplacesALongerFileWithoutKeepingItsTail) {
  WriteFile(card / "IMG_0001.JPG", "new");
  WriteFile(cases / "IMG_0001.JPG", "an older and longer photo");
  CopyWholeFile(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "new");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

TEST_F(CopyTest, CopyingAFileOntoItselfLeavesItIntact) {
  const std::string bytes = RandomBytes(100000, 1);
  WriteFile(card / "IMG_0001.JPG", bytes);
  CopyWholeFile(card / "IMG_0001.JPG", card / "IMG_0001.JPG");
  CopyWholeFile(card / "IMG_0001.JPG", card / "./IMG_0001.JPG");
  CopyWholeFile(card / "IMG_0001.JPG", card.path() + kSep + ".." + kSep +
                                           fs::path(card.path()).filename().string() + kSep +
                                           "IMG_0001.JPG");
  EXPECT_EQ(ReadFile(card / "IMG_0001.JPG"), bytes);
  EXPECT_EQ(AllNames(card.path()), Names{"IMG_0001.JPG"});
}

TEST_F(CopyTest, AMissingSourceOrFolderIsReportedAndCreatesNothing) {
  EXPECT_EQ(ErrorOfCopy(card / "nothing.JPG", cases / "nothing.JPG"), err::kFileNotFound);
  EXPECT_EQ(ErrorOfCopy(dir / "nocard/a.JPG", cases / "a.JPG"), err::kPathNotFound);
  WriteFile(card / "IMG_0001.JPG", "photo");
  EXPECT_EQ(ErrorOfCopy(card / "IMG_0001.JPG", dir / "nocase/IMG_0001.JPG"), err::kPathNotFound);
  EXPECT_TRUE(AllNames(cases.path()).empty());
  EXPECT_FALSE(fs::exists(dir / "nocase"));
}

TEST_F(CopyTest, AFolderIsNeitherCopiedNorReplaced) {
  MakeFolders(card / "FOLDER.JPG");
  EXPECT_EQ(ErrorOfCopy(card / "FOLDER.JPG", cases / "FOLDER.JPG"), err::kPathFileAccessError);
  EXPECT_TRUE(AllNames(cases.path()).empty());

  WriteFile(card / "IMG_0001.JPG", "photo");
  WriteFile(cases / "IMG_0001.JPG/inside.txt", "keep");
  EXPECT_NE(ErrorOfCopy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG"), 0);
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG/inside.txt"), "keep");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

TEST_F(CopyTest, AGroupOfCopiesTakesItsNamesOnlyWhenCommitted) {
  WriteFile(card / "IMG_0001.JPG", "new one");
  WriteFile(card / "IMG_0002.JPG", "new two");
  WriteFile(cases / "IMG_0001.JPG", "old one");
  CopyGroup group;
  const std::string first = group.Copy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  const std::string second = group.Copy(card / "IMG_0002.JPG", cases / "IMG_0002.JPG");
  EXPECT_EQ(ReadFile(first), "new one");
  EXPECT_EQ(ReadFile(second), "new two");
  EXPECT_EQ(fs::path(first).parent_path(), fs::path(cases.path()));
  EXPECT_FALSE(ListingFindsEntry(first, attr::kNormal));  // hidden: no listing of files has it
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "old one");
  EXPECT_FALSE(fs::exists(cases / "IMG_0002.JPG"));
  EXPECT_EQ(group.PendingFiles(), 2u);
  EXPECT_EQ(group.PendingBytes(), 14u);

  group.Commit();
  EXPECT_EQ(group.PendingFiles(), 0u);
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "new one");
  EXPECT_EQ(ReadFile(cases / "IMG_0002.JPG"), "new two");
  EXPECT_EQ(AllNames(cases.path()), (Names{"IMG_0001.JPG", "IMG_0002.JPG"}));
}

TEST_F(CopyTest, ADroppedCopyLeavesTheOldFile) {
  WriteFile(card / "IMG_0001.JPG", "good");
  WriteFile(card / "IMG_0002.JPG", "found wrong");
  WriteFile(cases / "IMG_0002.JPG", "old two");
  CopyGroup group;
  group.Copy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  group.Copy(card / "IMG_0002.JPG", cases / "IMG_0002.JPG");
  group.DropLast();
  group.DropLast();  // only the copy just made can be dropped
  EXPECT_EQ(group.PendingBytes(), 4u);
  group.Commit();
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "good");
  EXPECT_EQ(ReadFile(cases / "IMG_0002.JPG"), "old two");
  EXPECT_EQ(AllNames(cases.path()), (Names{"IMG_0001.JPG", "IMG_0002.JPG"}));
}

TEST_F(CopyTest, AGroupNeverCommittedLeavesNothingBehind) {
  WriteFile(card / "IMG_0001.JPG", "new");
  WriteFile(cases / "IMG_0001.JPG", "old");
  {
    CopyGroup group;
    group.Copy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
    group.Copy(card / "IMG_0001.JPG", cases / "IMG_0002.JPG");
  }
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "old");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

TEST_F(CopyTest, ACommitThatCannotNameACopyKeepsTheOnesBeforeAndRemovesTheRest) {
  WriteFile(card / "A.JPG", "a");
  WriteFile(card / "B.JPG", "b");
  WriteFile(card / "C.JPG", "c");
  CopyGroup group;
  group.Copy(card / "A.JPG", cases / "A.JPG");
  group.Copy(card / "B.JPG", cases / "B.JPG");
  group.Copy(card / "C.JPG", cases / "C.JPG");
  WriteFile(cases / "B.JPG/inside", "a folder took the name meanwhile");
  EXPECT_THROW(group.Commit(), RuntimeError);
  EXPECT_EQ(ReadFile(cases / "A.JPG"), "a");
  EXPECT_EQ(ReadFile(cases / "B.JPG/inside"), "a folder took the name meanwhile");
  EXPECT_EQ(AllNames(cases.path()), (Names{"A.JPG", "B.JPG"}));
  group.Commit();  // nothing left to do
}

TEST_F(CopyTest, ACopyForAFreeNameNeverReplacesWhatTookTheNameMeanwhile) {
  WriteFile(card / "IMG_0001.JPG", "copy");
  CopyGroup group;
  group.Copy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  WriteFile(cases / "IMG_0001.JPG", "written meanwhile");
  try {
    group.Commit();
    ADD_FAILURE() << "the commit replaced a file it had not been asked to replace";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kFileAlreadyExists);
  }
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "written meanwhile");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

TEST(SameFileContent, TellsAWholeCopyFromADamagedOne) {
  TempDir dir;
  const std::string bytes = RandomBytes((std::size_t{2} << 20) + 5, 7);
  WriteFile(dir / "a", bytes);
  WriteFile(dir / "same", bytes);
  std::string last_byte_differs = bytes;
  last_byte_differs.back() = static_cast<char>(~last_byte_differs.back());
  WriteFile(dir / "last", last_byte_differs);
  WriteFile(dir / "short", bytes.substr(0, bytes.size() - 1));
  WriteFile(dir / "empty1", "");
  WriteFile(dir / "empty2", "");
  EXPECT_TRUE(SameFileContent(dir / "a", dir / "same"));
  EXPECT_TRUE(SameFileContent(dir / "a", dir / "a"));
  EXPECT_TRUE(SameFileContent(dir / "empty1", dir / "empty2"));
  EXPECT_FALSE(SameFileContent(dir / "a", dir / "last"));
  EXPECT_FALSE(SameFileContent(dir / "a", dir / "short"));
  EXPECT_FALSE(SameFileContent(dir / "a", dir / "missing"));
  EXPECT_FALSE(SameFileContent(dir / "missing", dir / "a"));
  EXPECT_FALSE(SameFileContent(dir / "empty1", dir.path()));
}

#ifndef _WIN32

TEST_F(CopyTest, AReadOnlyPhotoGivesAReadOnlyCopy) {
  WriteFile(card / "IMG_0001.JPG", "photo");
  fs::permissions(card / "IMG_0001.JPG", fs::perms::owner_read | fs::perms::group_read);
  CopyWholeFile(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  EXPECT_EQ(fs::status(cases / "IMG_0001.JPG").permissions() & fs::perms::owner_write,
            fs::perms::none);
  // Copying again replaces the read-only copy, as the folder allows it.
  WriteFile(card / "IMG_0002.JPG", "other");
  CopyWholeFile(card / "IMG_0002.JPG", cases / "IMG_0001.JPG");
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "other");
}

// The file size limit makes the write fail part-way, as a full disk would: the temporary file
// exists and holds some bytes when the copy fails.
TEST_F(CopyTest, ACopyFailingPartWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
  const std::string old_bytes = "the photo copied last week";
  WriteFile(card / "IMG_0001.JPG", RandomBytes(std::size_t{3} << 20, 5));
  WriteFile(cases / "IMG_0001.JPG", old_bytes);
  int error = 0;
  {
    FileSizeLimit limit(1 << 20);
    ASSERT_TRUE(limit.ok());
    error = ErrorOfCopy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  }
  EXPECT_NE(error, 0);
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), old_bytes);
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}

TEST_F(CopyTest, AnUnreadableSourceIsReported) {
  if (RunningAsRoot()) {
    GTEST_SKIP() << "running as root: file permissions do not stop root from reading";
  }
  WriteFile(card / "IMG_0001.JPG", "photo");
  fs::permissions(card / "IMG_0001.JPG", fs::perms::none);
  EXPECT_EQ(ErrorOfCopy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG"), err::kPermissionDenied);
  EXPECT_TRUE(AllNames(cases.path()).empty());
}

TEST_F(CopyTest, AnUnwritableFolderKeepsItsFileAndGetsNoTemporaryFile) {
  WriteFile(card / "IMG_0001.JPG", "new photo");
  WriteFile(cases / "IMG_0001.JPG", "old photo");
  int error = 0;
  {
    UnwritableFolder unwritable(cases.path());
    if (!unwritable.ok()) GTEST_SKIP() << "cannot make a folder unwritable on this file system";
    error = ErrorOfCopy(card / "IMG_0001.JPG", cases / "IMG_0001.JPG");
  }
  EXPECT_EQ(error, err::kPermissionDenied);
  EXPECT_EQ(ReadFile(cases / "IMG_0001.JPG"), "old photo");
  EXPECT_EQ(AllNames(cases.path()), Names{"IMG_0001.JPG"});
}
#endif  // _WIN32

}  // namespace
}  // namespace pixferry
