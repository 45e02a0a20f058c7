#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Dispatch.h"
#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::MessageBoxCall;
using testing::ProgramCall;
using testing::WriteFile;

// Entries "e1" .. "eN": from each count and index, the index after First, Previous, Next and Last;
// kNo where the click must change nothing at all (no wrap, and a stale index does nothing).
TEST(Navigation, FollowsTheTableWithoutWrappingAround) {
  constexpr int kNo = -1;
  const std::int32_t cases[][6] = {
      {0, 0, kNo, kNo, kNo, kNo}, {0, 7, kNo, kNo, kNo, kNo}, {1, 1, 1, kNo, kNo, kNo},
      {4, 1, 1, kNo, 2, 4},       {4, 3, 1, 2, 4, 4},         {4, 4, 1, 3, kNo, kNo},
      {4, 9, kNo, kNo, kNo, kNo},
  };
  const char* const buttons[] = {"cmdSourceFirst", "cmdSourcePrevious", "cmdSourceNext",
                                 "cmdSourceLast"};
  for (const auto& row : cases) {
    for (int b = 0; b < 4; ++b) {
      const int count = row[0], index = row[1], expected = row[2 + b];
      SCOPED_TRACE(::testing::Message() << buttons[b] << " at " << index << " of " << count);
      Harness h;
      for (int i = 0; i <= count; ++i) h.form->strSourceFiles.push_back("e" + std::to_string(i));
      h.form->lngSourceCount = count;
      h.form->lngSourceIndex = index;
      h.txtSource.text = "shown before";
      Dispatch(*h.form, buttons[b], Event::Click);
      EXPECT_EQ(h.form->lngSourceIndex, expected == kNo ? index : expected);
      EXPECT_EQ(h.txtSource.text,
                expected == kNo ? "shown before" : h.form->strSourceFiles[expected]);
      EXPECT_TRUE(h.desktop.boxes.empty());
    }
  }
}

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
    h.txtTarget.text = "00000001.JPG";
  }
  std::string Source(const std::string& name = "IMG 0001.JPG") const {
    return form.strSourcePath + kSep + name;
  }
  std::string Target() const { return form.strTargetPath + kSep + "00000001.JPG"; }
  void View(const std::string& name = "IMG 0001.JPG") {
    h.txtSource.text = name;
    form.cmdViewSource_Click();
  }
  void Open(const char* program, const char* local) {
    form.strMediaProgram = program;
    form.strLocalSwitch = local;
    form.imgSource_DblClick();
  }

  testing::TempDir dir;
  Harness h;
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
  form.cmdViewTarget_Click();
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

// Whatever the viewer, it gets the photo last previewed; the local switch finds the program in
// the start-up directory, and a copy opens in the destination root.
TEST_F(ViewTest, ADoubleClickOpensThePreviewedPhotoInTheChosenViewer) {
  Open("viewer.exe", "True");  // nothing previewed yet: nothing opens
  View();
  Open("viewer.exe", "True");
  form.cmdViewTarget_Click();
  Open("/usr/bin/viewer", "False");
  EXPECT_EQ(h.desktop.programs,
            (std::vector<ProgramCall>{
                {form.strMyDirectory + kSep + "viewer.exe", Source(), form.strSourcePath},
                {"/usr/bin/viewer", Target(), form.strSavePath}}));
  EXPECT_FALSE(h.viewer_window.visible);

  Open("Internal", "");  // the own viewer, owned by the main window
  EXPECT_TRUE(h.viewer_window.visible);
  EXPECT_EQ(h.viewer_window.owner, &h.main_window);
  EXPECT_EQ(h.viewer_picture.picture, Target());
  EXPECT_EQ(h.desktop.programs.size(), 2u);
  EXPECT_TRUE(h.desktop.boxes.empty());
}

}  // namespace
}  // namespace pixferry
