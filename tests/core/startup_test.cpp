#include <gtest/gtest.h>

#include <cstdint>
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
using testing::FakeWindow;
using testing::Harness;
using testing::MakeFolders;
using testing::MessageBoxCall;
using testing::ScopedCurrentDirectory;
using testing::TempDir;
using testing::WriteFile;

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
  record.replace(2, text.size(), text);
  return record;
}

class StartupTest : public ::testing::Test {
 protected:
  void WriteSettings() {
    WriteFile(dir / "paths.dat",
              Record("/srv/Cases") + Record("Internal") + Record("False") + Record("True"));
  }
  // Start-up in the card folder, as the program starts there.
  void Load() {
    ScopedCurrentDirectory cd(dir.path());
    f.Form_Load();
  }
  std::string Dcim() const { return dir / "DCIM"; }

  TempDir dir;
  Harness h;
  frmMain& f = *h.form;
};

TEST_F(StartupTest, ACardWithOneFolderOfPhotosBecomesTheSource) {
  WriteSettings();
  WriteFile(dir / "DCIM/100MEDIA/IMG_0002.JPG", "x");
  WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  MakeFolders(dir / "DCIM/.thumbnails/cache");  // hidden: not counted
  MakeFolders(dir / "DCIM/PAGEFILE.SYS");
  Load();

  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(f.strMyDirectory, dir.path());
  EXPECT_EQ(f.strSavePath, "/srv/Cases");
  EXPECT_EQ(f.strMediaProgram, "Internal");
  EXPECT_EQ(f.strLocalSwitch, "False");
  EXPECT_EQ(f.strRenameSwitch, "True");
  EXPECT_TRUE(h.viewer_window.loaded);
  EXPECT_FALSE(h.viewer_window.visible);
  EXPECT_EQ(f.strSourcePath, Dcim() + kSep + "100MEDIA");
  EXPECT_EQ(f.lngSourceCount, 2);
  EXPECT_EQ(h.txtSource.text, "IMG_0001.JPG");
  EXPECT_TRUE(h.SourceButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, kSourceSet);
}

TEST_F(StartupTest, AnEmptyCardFolderSaysThereAreNoPhotos) {
  WriteSettings();
  MakeFolders(dir / "DCIM/100MEDIA");
  WriteFile(dir / "DCIM/100MEDIA/.hidden.jpg", "x");
  Load();
  EXPECT_EQ(f.strSourcePath, Dcim() + kSep + "100MEDIA");
  EXPECT_EQ(f.lngSourceCount, 0);
  EXPECT_EQ(h.txtSource.text, "");
  EXPECT_FALSE(h.SourceButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, kNoPhotos);  // the "SOURCE is empty" fragment is replaced
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(StartupTest, AnyOtherCardLayoutAsksForSetSource) {
  struct Layout {
    const char* name;
    std::vector<const char*> folders;
    bool link_back = false;
  };
  const std::vector<Layout> layouts{
      {"no DCIM, photos elsewhere", {"Photos/100MEDIA"}},
      {"empty DCIM", {"DCIM"}},
      {"one folder holding a folder", {"DCIM/100MEDIA/THUMBS"}},
      {"two folders", {"DCIM/100MEDIA", "DCIM/101MEDIA"}},
      {"one folder holding a link back to DCIM", {"DCIM/100MEDIA"}, true},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
#ifdef _WIN32
    if (layout.link_back) continue;  // mingw's std::filesystem cannot make symbolic links
#endif
    TempDir card;
    Harness fresh;
    WriteFile(card / "paths.dat", Record("/srv/Cases"));
    for (const char* folder : layout.folders) {
      WriteFile(card / (std::string(folder) + "/IMG_0001.JPG"), "x");
    }
    if (layout.link_back) fs::create_directory_symlink("..", card / "DCIM/100MEDIA/up");
    {
      ScopedCurrentDirectory cd(card.path());
      fresh.form->Form_Load();
    }
    EXPECT_EQ(fresh.txtMessage.text, kClickSetSource);
    EXPECT_EQ(fresh.form->strSourcePath, "");
    EXPECT_EQ(fresh.txtSource.text, "");
    EXPECT_FALSE(fresh.SourceButtonsEnabled());
    EXPECT_TRUE(fresh.viewer_window.loaded);
    EXPECT_TRUE(fresh.desktop.boxes.empty());
  }
}

TEST_F(StartupTest, AnEarlierSourceStaysWhenNoneIsFound) {
  WriteSettings();
  f.strSourcePath = "/media/card/DCIM/100MEDIA";
  Load();
  EXPECT_EQ(f.strSourcePath, "/media/card/DCIM/100MEDIA");
  EXPECT_EQ(h.txtMessage.text, kClickSetSource);
}

TEST_F(StartupTest, WithoutPathsDatStartUpStopsAfterOneBox) {
  WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  Load();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"53 File not found in Form_Load", 0, ""}));
  EXPECT_EQ(f.strMyDirectory, dir.path());
  EXPECT_EQ(f.strSavePath, "");
  EXPECT_EQ(f.strMediaProgram, "");
  EXPECT_EQ(f.strLocalSwitch, "");
  EXPECT_EQ(f.strRenameSwitch, "");
  EXPECT_FALSE(h.viewer_window.loaded);
  EXPECT_EQ(f.strSourcePath, "");  // no probe
  EXPECT_EQ(f.lngSourceCount, 0);
  EXPECT_EQ(h.txtSource.text, "");
  EXPECT_EQ(h.txtMessage.text, "");
  EXPECT_FALSE(fs::exists(dir / "paths.dat"));  // reading never creates it
}

TEST_F(StartupTest, AShortPathsDatGivesEmptySettingsAndStartUpGoesOn) {
  WriteFile(dir / "paths.dat", Record(" D:\\Cases ") + Record("viewer.exe"));  // 510 bytes
  WriteFile(dir / "DCIM/100MEDIA/IMG_0001.JPG", "x");
  Load();
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(f.strSavePath, " D:\\Cases ");  // as stored, not trimmed
  EXPECT_EQ(f.strMediaProgram, "viewer.exe");
  EXPECT_EQ(f.strLocalSwitch, "");
  EXPECT_EQ(f.strRenameSwitch, "");
  EXPECT_EQ(h.txtMessage.text, kSourceSet);
}

// The Close button and the viewer's close buttons.
TEST(Close, UnloadsTheViewerAndThenTheMainWindow) {
  Harness h;
  h.viewer_window.Show(&h.main_window);
  h.form->cmdClose_Click();
  EXPECT_EQ(h.unload_log, (std::vector<std::string>{"frmShowPhoto", "frmMain"}));
  EXPECT_FALSE(h.viewer_window.loaded);
  EXPECT_FALSE(h.main_window.loaded);
  EXPECT_TRUE(h.desktop.boxes.empty());
}

class FailingWindow : public FakeWindow {
 public:
  void Hide() override { throw RuntimeError(err::kPermissionDenied); }
  void Unload() override { throw RuntimeError(err::kDeviceIoError); }
};

TEST(Close, AFailureIsReportedWithoutASuffix) {
  Harness h;
  FailingWindow viewer_window;
  frmShowPhoto viewer(viewer_window, h.viewer_picture, h.desktop);
  testing::FakeTextBox t;
  testing::FakeButton b;
  MainControls c{h.main_window, t, t, t, t, t, t, b, b, b, b, b, b, b, b, b, b, b, b, b, b,
                 h.imgSource};
  frmMain form(c, viewer, h.desktop);
  form.cmdClose_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"57 Device I/O error", 0, ""}));
  EXPECT_TRUE(h.main_window.loaded);  // the main window stays when the viewer could not go
}

TEST(ViewerClose, HidesTheViewerAndKeepsItsPicture) {
  Harness h;
  const TempDir dir;
  WriteFile(dir / "IMG_0001.JPG", testing::JpegBytes());
  h.viewer_picture.LoadPicture(dir / "IMG_0001.JPG");
  h.viewer_window.Show(&h.main_window);
  h.viewer->cmdClose_Click();
  EXPECT_FALSE(h.viewer_window.visible);
  EXPECT_TRUE(h.viewer_window.loaded);
  EXPECT_EQ(h.viewer_window.unload_count, 0);
  EXPECT_TRUE(h.viewer_picture.HasPicture());
  h.viewer->cmdClose_Click();  // already hidden: no harm
  EXPECT_FALSE(h.viewer_window.visible);
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST(ViewerClose, AFailureIsReportedAndTheWindowStays) {
  Harness h;
  FailingWindow window;
  window.Show(nullptr);
  frmShowPhoto viewer(window, h.viewer_picture, h.desktop);
  viewer.cmdClose_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"70 Permission denied in cmdClose_Click", 0, ""}));
  EXPECT_TRUE(window.visible);
}

}  // namespace
}  // namespace pixferry
