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
using testing::TempDir;
using testing::WriteFile;

const std::string kGoneText =
    " is not a valid file.  It was likely deleted from outside this program while the program "
    "was still running.  Try resetting the source and viewing again.";

class Preview : public ::testing::Test {
 protected:
  Preview() {
    form.strSourcePath = dir / "card";
    form.strTargetPath = dir / "cases/0815_Desk_2008-03-02";
    form.strSavePath = dir / "cases";
  }

  void Remove(const std::string& path) {
    GuardDeletion(path);
    std::filesystem::remove_all(path);
  }

  TempDir dir;
  Harness h;
  frmMain& form = *h.form;
};

TEST_F(Preview, OnlyJpegExtensionsAreLoadedWhateverTheirCase) {
  struct Case {
    std::string name;
    bool previewed;
  };
  const Case cases[] = {
      {"IMG_0001.JPG", true},   {"IMG_0002.Jpeg", true}, {"IMG_0003.jpeg", true},
      {"IMG_0004.jpg", true},   {"IMG_0005.jPg", true},  {"MVI_0003.MPG", false},
      {"MVI_0004.mpeg", false}, {"README", false},       {"photo.jpg.txt", false},
      {"IMG_0006.JFIF", false}, {"JPG", false},          {".jpg", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Every file holds a valid JPEG: only the name decides.
    WriteFile(form.strSourcePath + kSep + c.name, JpegBytes());
    h.imgSource.picture = "before.jpg";
    form.strViewedFile = "before.jpg";
    form.strViewedList = "";
    h.txtSource.text = c.name;

    form.cmdViewSource_Click();

    EXPECT_TRUE(h.desktop.boxes.empty());
    if (c.previewed) {
      const std::string path = form.strSourcePath + kSep + c.name;
      EXPECT_EQ(h.imgSource.picture, path);
      EXPECT_EQ(form.strViewedFile, path);
      EXPECT_EQ(form.strViewedList, "Source");
    } else {
      EXPECT_EQ(h.imgSource.picture, "before.jpg");
      EXPECT_EQ(form.strViewedFile, "before.jpg");
      EXPECT_EQ(form.strViewedList, "");
    }
  }
}

TEST_F(Preview, TheExtensionComesFromTheEntryNotTheFolder) {
  form.strSourcePath = dir / "album.jpg";
  WriteFile(form.strSourcePath + kSep + "README", JpegBytes());
  h.txtSource.text = "README";
  form.cmdViewSource_Click();
  EXPECT_FALSE(h.imgSource.HasPicture());
  EXPECT_EQ(form.strViewedFile, "");
}

TEST_F(Preview, AnEmptyBoxDoesNothing) {
  h.txtSource.text = "";
  form.cmdViewSource_Click();
  h.txtTarget.text = "";
  form.cmdViewTarget_Click();
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(h.imgSource.loads, 0);
  EXPECT_EQ(form.strViewedList, "");
}

TEST_F(Preview, SourceThenTargetSwitchesTheViewedList) {
  WriteFile(form.strSourcePath + kSep + "IMG_0001.JPG", JpegBytes());
  WriteFile(form.strTargetPath + kSep + "00000001.JPG", JpegBytes());
  h.txtSource.text = "IMG_0001.JPG";
  h.txtTarget.text = "00000001.JPG";

  form.cmdViewSource_Click();
  EXPECT_EQ(form.strViewedList, "Source");
  EXPECT_EQ(form.strViewedFile, form.strSourcePath + kSep + "IMG_0001.JPG");

  form.cmdViewTarget_Click();
  EXPECT_EQ(form.strViewedList, "Target");
  EXPECT_EQ(form.strViewedFile, form.strTargetPath + kSep + "00000001.JPG");
  EXPECT_EQ(h.imgSource.picture, form.strViewedFile);
  EXPECT_EQ(h.imgSource.loads, 2);
}

// Each failure: which box, and the previous photo stays on show and stays the one to open.
class PreviewFailure : public Preview {
 protected:
  void SetUp() override {
    WriteFile(form.strSourcePath + kSep + "IMG_0001.JPG", JpegBytes());
    WriteFile(form.strSourcePath + kSep + "IMG_0002.JPG", JpegBytes());
    WriteFile(form.strTargetPath + kSep + "00000001.JPG", JpegBytes());
    h.txtSource.text = "IMG_0001.JPG";
    form.cmdViewSource_Click();
    previous = form.strViewedFile;
    ASSERT_EQ(h.imgSource.picture, previous);
  }

  void ExpectPreviousKept() {
    EXPECT_EQ(h.imgSource.picture, previous);
    EXPECT_EQ(h.imgSource.loads, 1);
    EXPECT_EQ(form.strViewedFile, previous);
    EXPECT_EQ(form.strViewedList, "Source");
  }

  std::string previous;
};

TEST_F(PreviewFailure, AFileRemovedFromItsFolderShowsTheStandardBox) {
  Remove(form.strSourcePath + kSep + "IMG_0002.JPG");
  h.txtSource.text = "IMG_0002.JPG";
  form.cmdViewSource_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"53 File not found", 0, ""}));
  ExpectPreviousKept();
}

TEST_F(PreviewFailure, AFolderThatIsGoneShowsTheEntryNameAndAdvice) {
  Remove(form.strSourcePath);
  h.txtSource.text = "IMG_0002.JPG";
  form.cmdViewSource_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"IMG_0002.JPG" + kGoneText, 48, "Error!"}));
  ExpectPreviousKept();
}

TEST_F(PreviewFailure, TheTargetListUsesTheSameWording) {
  Remove(form.strTargetPath);
  h.txtTarget.text = "00000001.JPG";
  form.cmdViewTarget_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"00000001.JPG" + kGoneText, 48, "Error!"}));
  ExpectPreviousKept();
}

TEST_F(PreviewFailure, APictureThatCannotBeDecodedShowsTheStandardBox) {
  WriteFile(form.strSourcePath + kSep + "BROKEN.JPG", "not a picture at all");
  h.txtSource.text = "BROKEN.JPG";
  form.cmdViewSource_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"481 Invalid picture", 0, ""}));
  ExpectPreviousKept();
}

TEST(ChangeCase, FoldsOnlyTheFiveLetters) {
  Harness h;
  const std::pair<std::string, std::string> cases[] = {
      {".JPG", ".jpg"},
      {".JPEG", ".jpeg"},
      {".Jpeg", ".jpeg"},
      {".MPG", ".mpg"},
      {".MPEG", ".mpeg"},
      {".JFIF", ".jFIF"},
      {".TIF", ".TIF"},
      {".PNG", ".pNg"},
      {"", ""},
      {"README", "ReADme"},
      {"jpgem", "jpgem"},
      {"JJPPGGEEMM", "jjppggeemm"},
      {"\xC3\x89.JPG", "\xC3\x89.jpg"},  // a UTF-8 letter stays as it is
  };
  for (const auto& [in, out] : cases) {
    std::string text = in;
    h.form->ChangeCase(text);
    EXPECT_EQ(text, out) << in;
  }
  EXPECT_TRUE(h.desktop.boxes.empty());
}

}  // namespace
}  // namespace pixferry
