#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::JpegBytes;
using testing::MakeFolders;
using testing::TempDir;
using testing::WriteFile;

const std::string kSourceSet =
    "Photo source set. Make sure the Incident, User, and Date are correct and click 'Start' to "
    "send the photos.";
const std::string kTitle = "Locate Your Photos Folder";

// A card folder, the program started in it, and two photo folders to pick.
class SourceSelectionTest : public ::testing::Test {
 protected:
  SourceSelectionTest() {
    f.strMyDirectory = card.path();
    WriteFile(card / "A/IMG_0001.JPG", JpegBytes());
    WriteFile(card / "A/IMG_0002.JPG", JpegBytes());
    WriteFile(card / "B/IMG_0100.JPG", JpegBytes());
    h.txtMessage.text = "before";
  }

  void PickThenClick(const std::string& answer) {
    h.desktop.picks.push_back(answer);
    f.cmdSource_Click();
  }

  TempDir card;
  Harness h;
  frmMain& f = *h.form;
  std::string a = card / "A";
  std::string b = card / "B";
};

TEST_F(SourceSelectionTest, ThePickerStartsInTheCardsPhotoFolderWhenThereIsOne) {
  PickThenClick("");
  MakeFolders(card / "DCIM/100MEDIA");
  PickThenClick("");
  ASSERT_EQ(h.desktop.pick_calls.size(), 2u);
  EXPECT_EQ(h.desktop.pick_calls[0].start_folder, card.path());
  EXPECT_EQ(h.desktop.pick_calls[0].title, kTitle);
  EXPECT_EQ(h.desktop.pick_calls[1].start_folder, card / "DCIM");
  EXPECT_EQ(h.desktop.pick_calls[1].title, kTitle);
}

TEST_F(SourceSelectionTest, APickMakesTheFolderTheSourceAndListsIt) {
  PickThenClick(a);
  EXPECT_EQ(f.strSourcePath, a);
  EXPECT_EQ(f.strLastSourcePath, a);
  EXPECT_EQ(h.txtMessage.text, kSourceSet);
  EXPECT_EQ(f.lngSourceCount, 2);
  EXPECT_EQ(h.txtSource.text, "IMG_0001.JPG");
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(SourceSelectionTest, ACancelAfterAPickListsThatFolderAgain) {
  PickThenClick(a);
  WriteFile(a + kSep + "IMG_0003.JPG", JpegBytes());  // added meanwhile
  h.txtMessage.text = "something else";
  PickThenClick("");
  EXPECT_EQ(f.strSourcePath, a);
  EXPECT_EQ(h.txtMessage.text, kSourceSet);
  EXPECT_EQ(f.lngSourceCount, 3);
}

TEST_F(SourceSelectionTest, PickAThenBThenCancelKeepsB) {
  PickThenClick(a);
  PickThenClick(b);
  PickThenClick("");
  EXPECT_EQ(f.strSourcePath, b);
  EXPECT_EQ(f.strLastSourcePath, b);
  EXPECT_EQ(f.lngSourceCount, 1);
  EXPECT_EQ(h.txtSource.text, "IMG_0100.JPG");
}

TEST_F(SourceSelectionTest, ACancelKeepsTheSourceStartUpChose) {
  f.strSourcePath = b;  // as start-up leaves it, with nothing picked yet
  f.SetSourceList();
  WriteFile(b + kSep + "IMG_0101.JPG", JpegBytes());
  PickThenClick("");
  EXPECT_EQ(f.strSourcePath, b);
  EXPECT_EQ(f.strLastSourcePath, "");
  EXPECT_EQ(h.txtMessage.text, kSourceSet);
  EXPECT_EQ(f.lngSourceCount, 2);
}

TEST_F(SourceSelectionTest, ACancelWithNoSourceDoesNothing) {
  PickThenClick("");
  EXPECT_EQ(f.strSourcePath, "");
  EXPECT_EQ(h.txtMessage.text, "before");
  EXPECT_EQ(f.lngSourceCount, 0);
  EXPECT_EQ(h.txtSource.text, "");
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(SourceSelectionTest, ACancelAfterDeleteForgotTheSourceDoesNotBringItBack) {
  PickThenClick(a);
  f.strSourcePath = "";  // what Delete leaves
  h.txtMessage.text = "deleted";
  PickThenClick("");
  EXPECT_EQ(f.strSourcePath, "");
  EXPECT_EQ(h.txtMessage.text, "deleted");
}

TEST_F(SourceSelectionTest, AFolderOfOnlySubfoldersIsReportedEmpty) {
  MakeFolders(card / "C/sub1");
  MakeFolders(card / "C/sub2");
  PickThenClick(card / "C");
  EXPECT_EQ(f.strSourcePath, card / "C");
  EXPECT_EQ(h.txtMessage.text, kSourceSet + " ...But the SOURCE is empty!");
  EXPECT_EQ(f.lngSourceCount, 0);
}

TEST_F(SourceSelectionTest, ThePickedFolderIsTakenAsItIs) {
  const std::string gone = card / "not/there";
  PickThenClick(gone);
  EXPECT_EQ(f.strSourcePath, gone);
  EXPECT_EQ(f.strLastSourcePath, gone);
}

#ifndef _WIN32
// POSIX refuses a name over 255 bytes; Windows lists such a path as empty.
TEST_F(SourceSelectionTest, AFailingLookUpEndsTheClickWithTheBareErrorBox) {
  f.strMyDirectory = card / std::string(300, 'x');  // a name longer than any folder may have
  f.strSourcePath = a;
  f.cmdSource_Click();
  EXPECT_TRUE(h.desktop.pick_calls.empty());
  EXPECT_EQ(h.desktop.boxes, (std::vector<testing::MessageBoxCall>{{"64 Bad file name", 0, ""}}));
  EXPECT_EQ(f.strSourcePath, a);
  EXPECT_EQ(h.txtMessage.text, "before");
}
#endif

}  // namespace
}  // namespace pixferry
