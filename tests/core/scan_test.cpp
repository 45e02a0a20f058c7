#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::Harness;
using testing::MakeFolders;
using testing::TempDir;
using testing::WriteFile;

class ScanTest : public ::testing::Test {
 protected:
  std::vector<std::string> Scan(const std::string& start) {
    std::vector<std::string> result;
    h.form->GetAllSubDirectories(result, start);
    EXPECT_TRUE(h.desktop.boxes.empty());
    return result;
  }

  TempDir dir;
  Harness h;
};

// An independent breadth-first walk in the file system's own order, skipping dot names.
std::vector<std::string> ReferenceWalk(const std::string& start) {
  std::vector<std::string> result{"", start};
  for (std::size_t i = 1; i < result.size(); ++i) {
    for (const fs::directory_entry& e : fs::directory_iterator(result[i])) {
      const std::string name = e.path().filename().string();
      if (name[0] != '.' && e.is_directory()) result.push_back(result[i] + kSep + name);
    }
  }
  return result;
}

TEST_F(ScanTest, CardFolderWithOneFolderOfFilesGivesTwoEntries) {
  const std::string dcim = dir / "DCIM";
  WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  WriteFile(dir / "DCIM/100MEDIA/IMG_0002.JPG", "x");
  WriteFile(dir / "DCIM/readme.txt", "a file is no folder");
  EXPECT_EQ(Scan(dcim), (std::vector<std::string>{"", dcim, dcim + kSep + "100MEDIA"}));
}

TEST_F(ScanTest, AFolderBelowTheOnlyFolderCountsToo) {
  const std::string dcim = dir / "DCIM";
  MakeFolders(dir / "DCIM/100MEDIA/THUMBS");
  EXPECT_EQ(Scan(dcim), (std::vector<std::string>{"", dcim, dcim + kSep + "100MEDIA",
                                                  dcim + kSep + "100MEDIA" + kSep + "THUMBS"}));
}

TEST_F(ScanTest, BreadthFirstInTheFileSystemsOrder) {
  for (const char* f : {"b/x/deep", "A/y", "c", "b/w", "A/v/deeper/deepest"}) {
    MakeFolders(dir / (std::string("DCIM/") + f));
  }
  const std::vector<std::string> result = Scan(dir / "DCIM");
  EXPECT_EQ(result, ReferenceWalk(dir / "DCIM"));
  ASSERT_EQ(result.size(), 12u);
  EXPECT_EQ(result.back(), dir / "DCIM/A/v/deeper/deepest");
}

TEST_F(ScanTest, AMissingEmptyOrFileStartFolderGivesItselfOnly) {
  MakeFolders(dir / "empty");
  WriteFile(dir / "file.jpg", "x");
  for (const std::string& start : {dir / "missing", dir / "empty", dir / "file.jpg"}) {
    EXPECT_EQ(Scan(start), (std::vector<std::string>{"", start}));
  }
}

TEST_F(ScanTest, EveryCallReplacesTheWholeArray) {
  std::vector<std::string> result{"old0", "old1", "old2", "old3", "old4"};
  h.form->GetAllSubDirectories(result, dir / "none");
  EXPECT_EQ(result, (std::vector<std::string>{"", dir / "none"}));
}

TEST_F(ScanTest, HiddenFoldersAreNeitherListedNorEntered) {
  const std::string dcim = dir / "DCIM";
  MakeFolders(dir / "DCIM/.thumbnails/inner");
  MakeFolders(dir / "DCIM/100MEDIA");
  WriteFile(dir / "DCIM/100MEDIA/.hidden.jpg", "x");
  EXPECT_EQ(Scan(dcim), (std::vector<std::string>{"", dcim, dcim + kSep + "100MEDIA"}));
}

TEST_F(ScanTest, PageFileIsSkippedInAnyCaseButNotALongerName) {
  const std::string dcim = dir / "DCIM";
  for (const char* f : {"pagefile.sys/a", "PAGEFILE.SYS/b", "PageFile.Sys/c"}) {
    MakeFolders(dir / (std::string("DCIM/") + f));
  }
  MakeFolders(dir / "DCIM/Pagefile.Sys.old");
  EXPECT_EQ(Scan(dcim), (std::vector<std::string>{"", dcim, dcim + kSep + "Pagefile.Sys.old"}));
}

TEST_F(ScanTest, LinksToFoldersAreListedOnceAndNeverEntered) {
#ifdef _WIN32
  GTEST_SKIP() << "mingw's std::filesystem cannot make symbolic links";
#endif
  const std::string dcim = dir / "DCIM";
  MakeFolders(dir / "DCIM/100MEDIA");
  WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  fs::create_directory_symlink("..", dir / "DCIM/100MEDIA/up");  // back to DCIM
  fs::create_directory_symlink(dcim, dir / "DCIM/100MEDIA/self");
  fs::create_symlink("IMG_0001.JPG", dir / "DCIM/100MEDIA/link.jpg");  // a file: not queued
  fs::create_symlink("loop", dir / "DCIM/loop");                       // leads nowhere

  std::vector<std::string> result = Scan(dcim);
  ASSERT_EQ(result.size(), 5u);
  EXPECT_EQ(result[1], dcim);
  EXPECT_EQ(result[2], dcim + kSep + "100MEDIA");
  std::sort(result.begin() + 3, result.end());
  EXPECT_EQ(result[3], dcim + kSep + "100MEDIA" + kSep + "self");
  EXPECT_EQ(result[4], dcim + kSep + "100MEDIA" + kSep + "up");
}

TEST_F(ScanTest, AStartFolderEndingInTheSeparatorDoublesIt) {
  MakeFolders(dir / "A");
  const std::string root = dir.path() + kSep;
  EXPECT_EQ(Scan(root), (std::vector<std::string>{"", root, root + kSep + "A"}));
}

TEST_F(ScanTest, AFailureBeforeTheFirstNameGoesToTheCallerAndLeavesTheArray) {
  std::vector<std::string> result{"kept", "kept too"};
  const std::string too_long = dir.path() + kSep + std::string(300, 'x');
  try {
    h.form->GetAllSubDirectories(result, too_long);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kBadFileName);
  }
  EXPECT_EQ(result, (std::vector<std::string>{"kept", "kept too"}));
  EXPECT_TRUE(h.desktop.boxes.empty());
}

// Folders nested until their paths pass the system's path length limit: the scan reaches them
// after its first name, so it skips what fails instead of giving up. Created and removed by
// relative steps, since the long paths cannot be named whole.
class DeepTreeTest : public ScanTest {
 protected:
  static constexpr int kNameLength = 200;
  static constexpr std::size_t kPathLimit = 4095;

  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the folder nesting relies on POSIX's 4095-character path limit";
#endif
    const std::string level(kNameLength, 'd');
    MakeFolders(dir / "DCIM");
    path_ = dir / "DCIM";
    testing::ScopedCurrentDirectory cd(path_);
    // Descend while the next level still fits; the file below the last one does not.
    while (path_.size() + kNameLength + 1 <= kPathLimit) {
      fs::create_directory(level);
      fs::current_path(level);
      path_ += kSep + level;
      ++levels_;
    }
    WriteFile(std::string(kNameLength, 'f'), "x");  // relative: beyond the limit in full
  }

  void TearDown() override {
    if (levels_ == 0) return;
    testing::GuardDeletion(dir / "DCIM");
    testing::ScopedCurrentDirectory cd(dir / "DCIM");
    for (int i = 0; i < levels_; ++i) fs::current_path(std::string(kNameLength, 'd'));
    fs::remove(std::string(kNameLength, 'f'));
    for (int i = 0; i < levels_; ++i) {
      fs::current_path("..");
      fs::remove(std::string(kNameLength, 'd'));
    }
  }

  std::string path_;  // the deepest folder, still short enough to list
  int levels_ = 0;
};

TEST_F(DeepTreeTest, ANameThatCannotBeExaminedIsQueuedAsAFolderAndAddsNothing) {
  ASSERT_GT(levels_, 5);
  const std::string file = path_ + kSep + std::string(kNameLength, 'f');
  ASSERT_GT(file.size(), kPathLimit);

  const std::vector<std::string> result = Scan(dir / "DCIM");
  ASSERT_EQ(result.size(), static_cast<std::size_t>(levels_) + 3);
  EXPECT_EQ(result[result.size() - 2], path_);
  EXPECT_EQ(result.back(), file);  // a file, but its attributes could not be read
}

}  // namespace
}  // namespace pixferry
