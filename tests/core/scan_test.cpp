#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::MakeFolders;
using Paths = std::vector<std::string>;

class ScanTest : public ::testing::Test {
 protected:
  Paths Scan(const std::string& start) {
    Paths result{"from an earlier call"};  // every call replaces the whole array
    h.form->GetAllSubDirectories(result, start);
    EXPECT_TRUE(h.desktop.boxes.empty());
    return result;
  }

  testing::TempDir dir;
  testing::Harness h;
  const std::string dcim = dir / "DCIM";
};

TEST_F(ScanTest, ACardFolderWithOneFolderOfFilesGivesTwoEntries) {
  testing::WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  testing::WriteFile(dir / "DCIM/readme.txt", "a file is no folder");
  MakeFolders(dir / "DCIM/.thumbnails/inner");  // hidden: neither listed nor entered
  const std::string media = dcim + kSep + "100MEDIA";
  EXPECT_EQ(Scan(dcim), (Paths{"", dcim, media}));
  // A missing start folder, or a file, gives itself only.
  EXPECT_EQ(Scan(dir / "missing"), (Paths{"", dir / "missing"}));
  EXPECT_EQ(Scan(dcim + kSep + "readme.txt"), (Paths{"", dcim + kSep + "readme.txt"}));
  // A start folder ending in the separator (a drive root) doubles it, unchanged.
  const std::string root = dir.path() + kSep;
  EXPECT_EQ(Scan(root),
            (Paths{"", root, root + kSep + "DCIM", root + kSep + "DCIM" + kSep + "100MEDIA"}));
}

TEST_F(ScanTest, BreadthFirstInTheFileSystemsOrder) {
  for (const char* f : {"b/x/deep", "A/y", "c", "b/w", "A/v/deeper"}) MakeFolders(dcim + "/" + f);
  // An independent walk: each level in the order the file system lists it, not sorted.
  Paths expected{"", dcim};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    for (const fs::directory_entry& e : fs::directory_iterator(expected[i])) {
      expected.push_back(expected[i] + kSep + e.path().filename().string());
    }
  }
  EXPECT_EQ(expected.size(), 11u);  // the walk itself reached every folder
  EXPECT_EQ(Scan(dcim), expected);
}

TEST_F(ScanTest, PageFileIsSkippedInAnyCaseButNotALongerName) {
  for (const char* f : {"pagefile.sys/a", "PageFile.Sys/b", "Pagefile.Sys.old"}) {
    MakeFolders(dcim + "/" + f);
  }
  EXPECT_EQ(Scan(dcim), (Paths{"", dcim, dcim + kSep + "Pagefile.Sys.old"}));
}

// A link that leads back into the tree would make the walk endless: links to folders are
// listed as folders but never entered.
TEST_F(ScanTest, LinksToFoldersAreListedOnceAndNeverEntered) {
#ifdef _WIN32
  GTEST_SKIP() << "mingw's std::filesystem cannot make symbolic links";
#endif
  MakeFolders(dcim + "/100MEDIA");
  fs::create_directory_symlink("..", dcim + "/100MEDIA/up");
  fs::create_directory_symlink(dcim, dcim + "/100MEDIA/self");
  fs::create_symlink("loop", dcim + "/loop");  // leads nowhere: no folder
  Paths result = Scan(dcim);
  std::sort(result.begin() + 3, result.end());
  const std::string media = dcim + kSep + "100MEDIA";
  EXPECT_EQ(result, (Paths{"", dcim, media, media + kSep + "self", media + kSep + "up"}));
}

}  // namespace
}  // namespace pixferry
