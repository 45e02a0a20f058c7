#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::MessageBoxCall;
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
    EXPECT_TRUE(c.h.viewer_window.loaded);
    EXPECT_FALSE(c.h.viewer_window.visible);
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

}  // namespace
}  // namespace pixferry
