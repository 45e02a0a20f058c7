#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::GuardDeletion;
using testing::Harness;
using testing::JpegBytes;
using testing::MessageBoxCall;
using testing::ProgramCall;
using testing::TempDir;
using testing::WriteFile;

class OpenPhoto : public ::testing::Test {
 protected:
  OpenPhoto() {
    form.strMyDirectory = dir / "tools";
    form.strSourcePath = dir / "card/DCIM/100 MEDIA";
    form.strSavePath = dir / "cases";
    form.strTargetPath = dir / "cases/0815_Desk_2008-03-02";
    WriteFile(form.strSourcePath + kSep + "IMG 0001.JPG", JpegBytes());
    WriteFile(form.strSourcePath + kSep + "IMG_0002.JPG", JpegBytes());
    WriteFile(form.strTargetPath + kSep + "00000001.JPG", JpegBytes());
  }

  void PreviewSource(const std::string& name) {
    h.txtSource.text = name;
    form.cmdViewSource_Click();
    ASSERT_EQ(form.strViewedFile, form.strSourcePath + kSep + name);
  }

  void PreviewTarget(const std::string& name) {
    h.txtTarget.text = name;
    form.cmdViewTarget_Click();
    ASSERT_EQ(form.strViewedFile, form.strTargetPath + kSep + name);
  }

  void ExpectNothingHappened() {
    EXPECT_TRUE(h.desktop.programs.empty());
    EXPECT_TRUE(h.desktop.boxes.empty());
    EXPECT_EQ(h.viewer_window.show_count, 0);
    EXPECT_FALSE(h.viewer_picture.HasPicture());
  }

  TempDir dir;
  Harness h;
  frmMain& form = *h.form;
};

TEST_F(OpenPhoto, BeforeAnyPreviewNothingHappensWhateverTheSettings) {
  for (const char* program : {"Internal", "viewer.exe", ""}) {
    for (const char* local : {"True", "False", ""}) {
      form.strMediaProgram = program;
      form.strLocalSwitch = local;
      form.imgSource_DblClick();
    }
  }
  ExpectNothingHappened();
}

TEST_F(OpenPhoto, WithoutAProgramNothingHappensEvenAfterAPreview) {
  PreviewSource("IMG_0002.JPG");
  form.strMediaProgram = "";
  form.strLocalSwitch = "True";
  form.imgSource_DblClick();
  ExpectNothingHappened();
}

TEST_F(OpenPhoto, ALocalProgramLivesInTheStartUpDirectory) {
  PreviewSource("IMG 0001.JPG");
  form.strMediaProgram = "viewer.exe";
  form.strLocalSwitch = "True";
  form.imgSource_DblClick();
  // The path with its space is one parameter, exactly as stored.
  ASSERT_EQ(h.desktop.programs.size(), 1u);
  EXPECT_EQ(h.desktop.programs[0],
            (ProgramCall{form.strMyDirectory + kSep + "viewer.exe",
                         form.strSourcePath + kSep + "IMG 0001.JPG", form.strSourcePath}));
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(h.viewer_window.show_count, 0);
}

TEST_F(OpenPhoto, ATargetPhotoOpensInTheDestinationRoot) {
  PreviewTarget("00000001.JPG");
  form.strMediaProgram = "/usr/bin/viewer";
  form.strLocalSwitch = "False";
  form.imgSource_DblClick();
  ASSERT_EQ(h.desktop.programs.size(), 1u);
  EXPECT_EQ(h.desktop.programs[0],
            (ProgramCall{"/usr/bin/viewer", form.strTargetPath + kSep + "00000001.JPG",
                         form.strSavePath}));
}

TEST_F(OpenPhoto, AnUnknownSwitchGivesAnEmptyProgramPath) {
  PreviewSource("IMG_0002.JPG");
  form.strMediaProgram = "viewer.exe";
  for (const char* local : {"", "true", "TRUE", "Yes"}) {
    form.strLocalSwitch = local;
    form.imgSource_DblClick();
  }
  ASSERT_EQ(h.desktop.programs.size(), 4u);
  for (const ProgramCall& call : h.desktop.programs) {
    EXPECT_EQ(call, (ProgramCall{"", form.strViewedFile, form.strSourcePath}));
  }
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(OpenPhoto, AnUnknownListGivesAnEmptyWorkingFolder) {
  PreviewSource("IMG_0002.JPG");
  form.strViewedList = "source";
  form.strMediaProgram = "viewer.exe";
  form.strLocalSwitch = "False";
  form.imgSource_DblClick();
  ASSERT_EQ(h.desktop.programs.size(), 1u);
  EXPECT_EQ(h.desktop.programs[0], (ProgramCall{"viewer.exe", form.strViewedFile, ""}));
}

TEST_F(OpenPhoto, InternalInAnotherCaseIsAProgramName) {
  PreviewSource("IMG_0002.JPG");
  form.strMediaProgram = "internal";
  form.strLocalSwitch = "False";
  form.imgSource_DblClick();
  ASSERT_EQ(h.desktop.programs.size(), 1u);
  EXPECT_EQ(h.desktop.programs[0].program, "internal");
  EXPECT_EQ(h.viewer_window.show_count, 0);
}

TEST_F(OpenPhoto, InternalShowsTheViewerOwnedByTheMainWindowAndReusesIt) {
  form.strMediaProgram = "Internal";
  form.strLocalSwitch = "";  // the program path plays no part here
  PreviewSource("IMG 0001.JPG");
  form.imgSource_DblClick();

  EXPECT_TRUE(h.viewer_window.visible);
  EXPECT_EQ(h.viewer_window.owner, &h.main_window);
  EXPECT_EQ(h.viewer_picture.picture, form.strSourcePath + kSep + "IMG 0001.JPG");

  PreviewTarget("00000001.JPG");
  form.imgSource_DblClick();
  EXPECT_EQ(h.viewer_picture.picture, form.strTargetPath + kSep + "00000001.JPG");
  EXPECT_EQ(h.viewer_window.show_count, 2);
  EXPECT_EQ(h.viewer_window.load_count, 1);  // the same window both times
  EXPECT_TRUE(h.desktop.programs.empty());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(OpenPhoto, InternalWithTheFileGoneShowsTheViewerThenTheStandardBox) {
  form.strMediaProgram = "Internal";
  PreviewSource("IMG_0002.JPG");
  const std::string gone = form.strViewedFile;
  GuardDeletion(gone);
  std::filesystem::remove(gone);
  bool shown_before_box = false;
  h.desktop.on_box = [&](const MessageBoxCall&) { shown_before_box = h.viewer_window.visible; };

  form.imgSource_DblClick();

  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"53 File not found", 0, ""}));
  EXPECT_TRUE(shown_before_box);
  EXPECT_FALSE(h.viewer_picture.HasPicture());  // none on the first use
  EXPECT_EQ(form.strViewedFile, gone);
}

TEST_F(OpenPhoto, InternalWithTheFolderGoneKeepsTheViewersPicture) {
  form.strMediaProgram = "Internal";
  PreviewTarget("00000001.JPG");
  form.imgSource_DblClick();
  const std::string shown = h.viewer_picture.picture;
  PreviewSource("IMG_0002.JPG");
  GuardDeletion(form.strSourcePath);
  std::filesystem::remove_all(form.strSourcePath);

  form.imgSource_DblClick();

  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"76 Path not found", 0, ""}));
  EXPECT_EQ(h.viewer_picture.picture, shown);
}

}  // namespace
}  // namespace pixferry
