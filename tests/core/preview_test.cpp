#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::MessageBoxCall;
using testing::ProgramCall;
using testing::WriteFile;

// A card photo and its copy, to preview in the main window and open full size.
class ViewTest : public ::testing::Test {
 protected:
  ViewTest() {
    form.strMyDirectory = dir / "tools";
    form.strSourcePath = dir / "card/DCIM/100 MEDIA";
    form.strSavePath = dir / "cases";
    form.strTargetPath = dir / "cases/0815_Desk_2008-03-02";
    WriteFile(Source(), testing::JpegBytes());
    WriteFile(Target(), testing::JpegBytes());
  }
  std::string Source(const std::string& name = "IMG 0001.JPG") const {
    return form.strSourcePath + kSep + name;
  }
  std::string Target() const { return form.strTargetPath + kSep + "00000001.JPG"; }
  void View(const std::string& name = "IMG 0001.JPG") {
    h.txtSource.text = name;
    form.cmdViewSource_Click();
  }
  void ViewTarget() {
    h.txtTarget.text = "00000001.JPG";
    form.cmdViewTarget_Click();
  }
  void Open(const char* program, const char* local) {
    form.strMediaProgram = program;
    form.strLocalSwitch = local;
    form.imgSource_DblClick();
  }

  testing::TempDir dir;
  testing::Harness h;
  frmMain& form = *h.form;
};

TEST_F(ViewTest, OnlyJpegExtensionsArePreviewedWhateverTheirCase) {
  const std::pair<std::string, bool> cases[] = {
      {"IMG_0002.Jpeg", true}, {"IMG_0003.jpg", true},   {"MVI_0003.MPG", false},
      {"README", false},       {"photo.jpg.txt", false}, {"", false},
  };
  for (const auto& [name, previewed] : cases) {
    SCOPED_TRACE(name);
    // Every file holds a valid JPEG: only the name decides.
    if (!name.empty()) WriteFile(Source(name), testing::JpegBytes());
    form.strViewedFile = h.imgSource.picture = "before.jpg";
    View(name);
    EXPECT_TRUE(h.desktop.boxes.empty());
    EXPECT_EQ(form.strViewedFile, previewed ? Source(name) : "before.jpg");
    EXPECT_EQ(h.imgSource.picture, previewed ? Source(name) : "before.jpg");
  }
}

// Each failure leaves the previous photo on show and the one a double click opens.
TEST_F(ViewTest, AFailedPreviewKeepsThePreviousPhoto) {
  View();
  WriteFile(Source("BROKEN.JPG"), "not a picture at all");
  View("IMG_0002.JPG");  // removed after the list was built
  View("BROKEN.JPG");
  // The folders are gone (card removed): the entry name and advice, the same for both lists.
  for (const std::string& folder : {form.strSourcePath, form.strTargetPath}) {
    testing::GuardDeletion(folder);
    std::filesystem::remove_all(folder);
  }
  View("IMG_0001.JPG");
  ViewTarget();
  const std::string gone =
      " is not a valid file.  It was likely deleted from outside this program while the program "
      "was still running.  Try resetting the source and viewing again.";
  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{{"53 File not found", 0, ""},
                                                          {"481 Invalid picture", 0, ""},
                                                          {"IMG_0001.JPG" + gone, 48, "Error!"},
                                                          {"00000001.JPG" + gone, 48, "Error!"}}));
  EXPECT_EQ(h.imgSource.loads, 1);
  EXPECT_EQ(form.strViewedFile, Source());
  EXPECT_EQ(form.strViewedList, "Source");
}

TEST_F(ViewTest, OpeningDoesNothingBeforeAPreviewOrWithoutAProgram) {
  for (const char* program : {"Internal", "viewer.exe"}) Open(program, "True");
  View();
  Open("", "True");
  EXPECT_TRUE(h.desktop.programs.empty());
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(h.viewer_window.show_count, 0);
}

TEST_F(ViewTest, AnExternalProgramGetsThePathAsOneParameterInItsWorkingFolder) {
  View();
  Open("viewer.exe", "True");  // in the start-up directory
  Open("viewer.exe", "true");  // no switch matches exactly: no program path
  Open("internal", "False");   // only "Internal" itself means the own viewer
  form.strViewedList = "source";
  Open("viewer.exe", "False");  // no list matches exactly: no working folder
  ViewTarget();
  Open("/usr/bin/viewer", "False");  // a target photo opens in the destination root
  EXPECT_EQ(h.desktop.programs,
            (std::vector<ProgramCall>{
                {form.strMyDirectory + kSep + "viewer.exe", Source(), form.strSourcePath},
                {"", Source(), form.strSourcePath},
                {"internal", Source(), form.strSourcePath},
                {"viewer.exe", Source(), ""},
                {"/usr/bin/viewer", Target(), form.strSavePath}}));
  EXPECT_EQ(h.viewer_window.show_count, 0);
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(ViewTest, InternalShowsTheViewerOwnedByTheMainWindowAndReusesIt) {
  View();
  Open("Internal", "");  // the program path plays no part here
  EXPECT_TRUE(h.viewer_window.visible);
  EXPECT_EQ(h.viewer_window.owner, &h.main_window);
  EXPECT_EQ(h.viewer_picture.picture, Source());
  ViewTarget();
  EXPECT_EQ(form.strViewedList, "Target");
  form.imgSource_DblClick();
  EXPECT_EQ(h.viewer_picture.picture, Target());
  EXPECT_EQ(h.viewer_window.load_count, 1);  // the same window both times
  EXPECT_TRUE(h.desktop.programs.empty());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(ViewTest, InternalWithThePhotoGoneShowsTheViewerThenTheStandardBox) {
  ViewTarget();
  Open("Internal", "False");
  View();
  testing::GuardDeletion(Source());
  std::filesystem::remove(Source());
  h.viewer_window.Hide();
  bool shown_before_box = false;
  h.desktop.on_box = [&](const MessageBoxCall&) { shown_before_box = h.viewer_window.visible; };
  form.imgSource_DblClick();
  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{{"53 File not found", 0, ""}}));
  EXPECT_TRUE(shown_before_box);
  EXPECT_EQ(h.viewer_picture.picture, Target());  // the viewer keeps what it had
}

}  // namespace
}  // namespace pixferry
