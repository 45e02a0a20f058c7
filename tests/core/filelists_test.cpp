#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::MakeFolders;
using testing::MessageBoxCall;
using testing::TempDir;
using testing::WriteFile;

class FileListsTest : public ::testing::Test {
 protected:
  void SetButtons(bool source, bool target) {
    for (testing::FakeButton* b : {&h.cmdSourceFirst, &h.cmdSourcePrevious, &h.cmdSourceNext,
                                   &h.cmdSourceLast, &h.cmdViewSource}) {
      b->enabled = source;
    }
    for (testing::FakeButton* b : {&h.cmdTargetFirst, &h.cmdTargetPrevious, &h.cmdTargetNext,
                                   &h.cmdTargetLast, &h.cmdViewTarget}) {
      b->enabled = target;
    }
  }

  TempDir dir;
  Harness h;
  frmMain& f = *h.form;
};

TEST_F(FileListsTest, SourceListHoldsTheFolderSortedAndShowsTheFirst) {
  for (const char* name : {"IMG_9.JPG", "IMG_10.JPG", "a.jpg", "B.jpg"}) {
    WriteFile(dir / (std::string("card/") + name), "x");
  }
  MakeFolders(dir / "card/THUMBS");
  f.strSourcePath = dir / "card";
  f.lngSourceIndex = 3;
  h.txtMessage.text = "Before.";

  f.SetSourceList();
  EXPECT_EQ(f.lngSourceCount, 4);
  EXPECT_EQ(f.strSourceFiles,
            (std::vector<std::string>{"", "B.jpg", "IMG_10.JPG", "IMG_9.JPG", "a.jpg"}));
  EXPECT_EQ(f.lngSourceIndex, 1);
  EXPECT_EQ(h.txtSource.text, "B.jpg");
  EXPECT_TRUE(h.SourceButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, "Before.");
  EXPECT_FALSE(h.TargetButtonsEnabled());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(FileListsTest, AnEmptySourceKeepsTheOldIndexAndSaysSo) {
  MakeFolders(dir / "DCIM/100MEDIA");  // only a folder: no files
  WriteFile(dir / "DCIM/.hidden.jpg", "x");
  f.strSourcePath = dir / "DCIM";
  f.strSourceFiles = {"", "old.jpg", "older.jpg"};
  f.lngSourceCount = 2;
  f.lngSourceIndex = 7;
  h.txtSource.text = "old.jpg";
  h.txtMessage.text = "Status.";
  SetButtons(true, true);

  f.SetSourceList();
  EXPECT_EQ(f.lngSourceCount, 0);
  EXPECT_EQ(f.strSourceFiles, (std::vector<std::string>{""}));
  EXPECT_EQ(f.lngSourceIndex, 7);
  EXPECT_EQ(h.txtSource.text, "");
  EXPECT_FALSE(h.SourceButtonsEnabled());
  EXPECT_TRUE(h.TargetButtonsEnabled());  // the other list is not touched
  EXPECT_EQ(h.txtMessage.text, "Status. ...But the SOURCE is empty!");
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(FileListsTest, ASourceThatCannotBeListedIsReportedThenEmpty) {
  f.strSourcePath = dir / std::string(300, 'x');
  SetButtons(true, false);
  f.SetSourceList();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"64 Bad file name in SortedFiles", 0, ""}));
  EXPECT_EQ(h.txtMessage.text, " ...But the SOURCE is empty!");
  EXPECT_FALSE(h.SourceButtonsEnabled());
}

class TargetListTest : public FileListsTest {
 protected:
  void SetUp() override {
    f.strSavePath = dir / "Cases";
    f.strIncidentNumber = "0815-22";
    f.strUserName = "Desk_4";
    f.strCopyDate = "2008-03-02";
    MakeFolders(f.strSavePath);
    // The previous job's list, on show.
    f.strTargetPath = dir / "Cases/previous";
    f.strTargetFiles = {"", "00000001.jpg", "00000002.jpg"};
    f.lngTargetCount = 2;
    f.lngTargetIndex = 2;
    h.txtTarget.text = "00000002.jpg";
    h.txtMessage.text = "Copied.";
    SetButtons(false, true);
  }
  std::string CaseFolder() const { return dir / "Cases/0815-22_Desk_4_2008-03-02"; }
};

TEST_F(TargetListTest, AMissingCaseFolderChangesNothing) {
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, dir / "Cases/previous");
  EXPECT_EQ(f.strTargetFiles, (std::vector<std::string>{"", "00000001.jpg", "00000002.jpg"}));
  EXPECT_EQ(f.lngTargetCount, 2);
  EXPECT_EQ(f.lngTargetIndex, 2);
  EXPECT_EQ(h.txtTarget.text, "00000002.jpg");
  EXPECT_EQ(h.txtMessage.text, "Copied.");
  EXPECT_TRUE(h.TargetButtonsEnabled());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(TargetListTest, AnEmptyCaseFolderEmptiesTheListAndSaysSo) {
  MakeFolders(CaseFolder() + kSep + "sub");
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, CaseFolder());
  EXPECT_EQ(f.strTargetFiles, (std::vector<std::string>{""}));
  EXPECT_EQ(f.lngTargetCount, 0);
  EXPECT_EQ(f.lngTargetIndex, 2);
  EXPECT_EQ(h.txtTarget.text, "");
  EXPECT_EQ(h.txtMessage.text, "Copied. ...But the TARGET is empty!");
  EXPECT_FALSE(h.TargetButtonsEnabled());
  EXPECT_FALSE(h.SourceButtonsEnabled());
}

TEST_F(TargetListTest, TheCaseFolderFilesReplaceThePreviousList) {
  WriteFile(CaseFolder() + kSep + "00000002.jpg", "x");
  WriteFile(CaseFolder() + kSep + "00000001.jpg", "x");
  WriteFile(CaseFolder() + kSep + "clip.MPG", "x");
  SetButtons(false, false);
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, CaseFolder());
  EXPECT_EQ(f.strTargetFiles,
            (std::vector<std::string>{"", "00000001.jpg", "00000002.jpg", "clip.MPG"}));
  EXPECT_EQ(f.lngTargetCount, 3);
  EXPECT_EQ(f.lngTargetIndex, 1);
  EXPECT_EQ(h.txtTarget.text, "00000001.jpg");
  EXPECT_EQ(h.txtMessage.text, "Copied.");
  EXPECT_TRUE(h.TargetButtonsEnabled());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(TargetListTest, AFailedLookupIsReportedAndChangesNothing) {
  f.strSavePath = dir / std::string(300, 'x');
  f.SetTargetList();
  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (MessageBoxCall{"64 Bad file name in Sub SetTargetList", 0, ""}));
  EXPECT_EQ(f.strTargetPath, dir / "Cases/previous");
  EXPECT_EQ(f.lngTargetCount, 2);
  EXPECT_EQ(h.txtMessage.text, "Copied.");
  EXPECT_TRUE(h.TargetButtonsEnabled());
}

}  // namespace
}  // namespace pixferry
