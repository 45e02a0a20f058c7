#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
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
using testing::MessageBoxCall;
using testing::TempDir;
using testing::WriteFile;
using Paths = std::vector<std::string>;

constexpr std::string_view kSourceSet =
    "Source list is set.  If you have files shown in the 'Source' box, you can click 'Start' to "
    "copy them.  Otherwise, click 'Set Source' to select another photo source.";
constexpr std::string_view kNoPhotos =
    "It seems there are no photos on this card where they should be.  Click the 'Set Source' and "
    "see if you can locate them.  If not, the card may be empty.";
constexpr std::string_view kClickSetSource =
    "Click 'Set Source' to begin and locate the folder where your photos are located.";

// One settings record as the file holds it: 16-bit little-endian length, text, filler.
std::string Record(std::string_view text) {
  std::string record(255, '\0');
  record[0] = static_cast<char>(text.size() & 0xFF);
  record[1] = static_cast<char>(text.size() >> 8);
  return record.replace(2, text.size(), text);
}

// Start-up in the card folder, as the program starts there.
struct Card {
  void Load() {
    testing::ScopedCurrentDirectory cd(dir.path());
    h.form->Form_Load();
  }
  TempDir dir;
  Harness h;
  frmMain& f = *h.form;
};

TEST(Startup, OnlyACardFolderWithExactlyOneFolderBelowItBecomesTheSource) {
  struct Layout {
    std::vector<const char*> files;
    std::string_view message;
    const char* source;  // nullptr: the earlier source stays
  };
  const Layout layouts[] = {
      {{"DCIM/100MEDIA/IMG_0002.JPG", "DCIM/100MEDIA/IMG_0001.JPG"}, kSourceSet, "DCIM/100MEDIA"},
      // The "SOURCE is empty" fragment the list appends is replaced.
      {{"DCIM/100MEDIA/.hidden.jpg"}, kNoPhotos, "DCIM/100MEDIA"},
      {{"Photos/100MEDIA/IMG_0001.JPG"}, kClickSetSource, nullptr},
      {{"DCIM/100MEDIA/THUMBS/IMG_0001.JPG"}, kClickSetSource, nullptr},
      {{"DCIM/100MEDIA/IMG_0001.JPG", "DCIM/101MEDIA/IMG_0001.JPG"}, kClickSetSource, nullptr},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.files.back());
    Card c;
    // Record 4 is missing: it reads as empty and start-up goes on.
    WriteFile(c.dir / "paths.dat", Record("/srv/Cases") + Record("Internal") + Record("True"));
    for (const char* name : layout.files) WriteFile(c.dir / name, "x");
    c.f.strSourcePath = "/media/earlier";
    c.Load();
    EXPECT_TRUE(c.h.desktop.boxes.empty());
    EXPECT_EQ(c.f.strSavePath + c.f.strMediaProgram + c.f.strLocalSwitch, "/srv/CasesInternalTrue");
    EXPECT_EQ(c.f.strRenameSwitch, "");
    EXPECT_TRUE(c.h.viewer_window.loaded && !c.h.viewer_window.visible);  // created hidden
    EXPECT_EQ(c.h.txtMessage.text, layout.message);
    EXPECT_EQ(c.f.strSourcePath, layout.source ? c.dir / layout.source : "/media/earlier");
    EXPECT_EQ(c.h.txtSource.text, layout.message == kSourceSet ? "IMG_0001.JPG" : "");
    EXPECT_EQ(c.h.SourceButtonsEnabled(), layout.message == kSourceSet);
  }
}

TEST(Startup, WithoutPathsDatStartUpStopsAfterOneBox) {
  Card c;
  WriteFile(c.dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  c.Load();
  EXPECT_EQ(c.h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"53 File not found in Form_Load", 0, ""}}));
  EXPECT_EQ(c.f.strMyDirectory, c.dir.path());
  EXPECT_FALSE(c.h.viewer_window.loaded);
  EXPECT_EQ(c.f.strSourcePath, "");  // no probe
  EXPECT_EQ(c.h.txtMessage.text, "");
  EXPECT_FALSE(testing::Exists(c.dir / "paths.dat"));  // reading never creates it
}

// Close ends the program: the viewer goes first, also when it was never shown.
TEST(MainClose, UnloadsTheViewerAndThenTheMainWindow) {
  Harness h;
  h.form->cmdClose_Click();
  EXPECT_EQ(h.unload_log, (std::vector<std::string>{"frmShowPhoto", "frmMain"}));
  EXPECT_TRUE(h.desktop.boxes.empty());
}

// The viewer's close buttons report a failure under their own name; the window stays.
TEST(ViewerClose, AFailureIsReportedAndTheViewerStays) {
  struct FailingWindow : testing::FakeWindow {
    void Hide() override { throw RuntimeError(err::kPermissionDenied); }
  } window;
  Harness h;
  frmShowPhoto viewer(window, h.viewer_picture, h.desktop);
  window.Show(nullptr);
  viewer.cmdClose_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"70 Permission denied in cmdClose_Click", 0, ""}}));
  EXPECT_TRUE(window.visible);
}

// The card probe: a folder and every folder below it, breadth first.
Paths Scan(const std::string& start) {
  Harness h;
  Paths result{"from an earlier call"};  // every call replaces the whole array
  h.form->GetAllSubDirectories(result, start);
  EXPECT_TRUE(h.desktop.boxes.empty());
  return result;
}

class ScanTest : public ::testing::Test {
 protected:
  TempDir dir;
  const std::string dcim = dir / "DCIM";
};

TEST_F(ScanTest, ACardFolderWithOneFolderOfFilesGivesTwoEntries) {
  WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  WriteFile(dir / "DCIM/readme.txt", "a file is no folder");
  MakeFolders(dir / "DCIM/.thumbnails/inner");  // hidden: neither listed nor entered
  MakeFolders(dir / "DCIM/pagefile.sys/a");     // a swap file, in any case of its name
  MakeFolders(dir / "DCIM/PageFile.Sys/b");
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
  for (const char* f : {"b/x/deep", "A/y", "c", "b/w", "A/v/deeper", "Pagefile.Sys.old"})
    MakeFolders(dcim + "/" + f);
  // An independent walk: each level in the order the file system lists it, not sorted.
  Paths expected{"", dcim};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    for (const fs::directory_entry& e : fs::directory_iterator(expected[i])) {
      expected.push_back(expected[i] + kSep + e.path().filename().string());
    }
  }
  EXPECT_EQ(expected.size(), 12u);  // the walk itself reached every folder
  EXPECT_EQ(Scan(dcim), expected);
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
