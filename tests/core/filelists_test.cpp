#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using testing::Boxes;
using testing::Names;
using testing::WriteFile;

TEST(Quicksort, AgreesWithAnOrdinalSortOnManyNamesWithDuplicates) {
  testing::Harness h;
  std::mt19937 gen(20080302);
  Names list{"entry 0 stays"};
  for (int i = 0; i < 20000; ++i) {
    std::string name;  // short names from a few codes: many duplicates; '\xE9' sorts last
    for (int n = 1 + gen() % 4; n > 0; --n) name += "Aa.1_\xE9"[gen() % 6];
    list.push_back(name);
  }
  Names expected = list;
  std::sort(expected.begin() + 1, expected.end());  // std::string compares unsigned codes
  h.form->Quicksort(list, 1, static_cast<std::int32_t>(list.size()) - 1);
  EXPECT_TRUE(list == expected);
}

class FileListsTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::Harness h;
  frmMain& f = *h.form;
};

TEST_F(FileListsTest, TheSourceListHoldsEveryPlainFileByCharacterCode) {
  for (const char* name : {"IMG_9.JPG", "IMG_10.JPG", "a.jpg", "B.jpg", "THUMB.THM", "noext",
                           ".hidden.jpg", "SUB/INNER/IMG_0001.JPG"}) {
    WriteFile(dir / "card/" + name, "x");
  }
  f.strSourcePath = dir / "card";
  h.txtMessage.text = "Before.";
  f.SetSourceList();
  EXPECT_EQ(f.strSourceFiles,
            (Names{"", "B.jpg", "IMG_10.JPG", "IMG_9.JPG", "THUMB.THM", "a.jpg", "noext"}));
  EXPECT_EQ(f.lngSourceCount, 6);
  EXPECT_EQ(h.txtSource.text, "B.jpg");
  EXPECT_TRUE(h.SourceButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, "Before.");
}

TEST_F(FileListsTest, ASourceLookUpThatFailsIsReportedAsAnEmptyList) {
  f.strSourcePath = dir / std::string(300, 'x');  // longer than any folder name may be
  h.txtMessage.text = "Before.";
  f.SetSourceList();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"64 Bad file name in SortedFiles", 0, ""}}));
  EXPECT_EQ(h.txtMessage.text, "Before. ...But the SOURCE is empty!");
  EXPECT_FALSE(h.TargetButtonsEnabled());  // the other list is not touched
}

// After a copy: the case folder's files replace the previous job's list, when it exists.
class TargetListTest : public FileListsTest {
 protected:
  TargetListTest() {
    f.strSavePath = dir / "Cases";
    f.strIncidentNumber = "0815-22";
    f.strUserName = "Desk_4";
    f.strCopyDate = "2008-03-02";
    f.strTargetPath = "previous";
    f.lngTargetCount = f.lngTargetIndex = 2;
    h.txtTarget.text = "00000002.jpg";
  }
  const std::string folder = dir / "Cases/0815-22_Desk_4_2008-03-02";
};

TEST_F(TargetListTest, WithoutACaseFolderNothingChangesAndNothingIsSaid) {
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath + h.txtTarget.text + h.txtMessage.text, "previous00000002.jpg");
  EXPECT_EQ(f.lngTargetCount, 2);
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(TargetListTest, TheCaseFoldersFilesBecomeTheList) {
  WriteFile(folder + kSep + "00000002.jpg", "x");
  WriteFile(folder + kSep + "00000001.jpg", "x");
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, folder);
  EXPECT_EQ(f.strTargetFiles, (Names{"", "00000001.jpg", "00000002.jpg"}));
  EXPECT_EQ(f.lngTargetIndex, 1);
  EXPECT_EQ(h.txtTarget.text, "00000001.jpg");
  EXPECT_TRUE(h.TargetButtonsEnabled());
}

TEST_F(TargetListTest, ACaseFolderHoldingOnlyAFolderGivesAnEmptyList) {
  WriteFile(folder + kSep + "00000001.jpg", "x");
  f.SetTargetList();
  ASSERT_TRUE(h.TargetButtonsEnabled());

  f.strIncidentNumber = "0816";
  testing::MakeFolders(dir / "Cases/0816_Desk_4_2008-03-02/sub");
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, dir / "Cases/0816_Desk_4_2008-03-02");
  EXPECT_EQ(f.lngTargetCount, 0);
  EXPECT_EQ(h.txtTarget.text, "");
  EXPECT_FALSE(h.TargetButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, " ...But the TARGET is empty!");
}

TEST_F(TargetListTest, ALookUpThatFailsIsReportedAndChangesNothing) {
  f.strSavePath = dir / std::string(300, 'x');
  f.SetTargetList();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"64 Bad file name in Sub SetTargetList", 0, ""}}));
  EXPECT_EQ(f.strTargetPath + h.txtTarget.text, "previous00000002.jpg");
  EXPECT_EQ(f.lngTargetCount, 2);
}

const std::string kSourceSet =
    "Photo source set. Make sure the Incident, User, and Date are correct and click 'Start' to "
    "send the photos.";

// The program started in a card folder that holds two photo folders to pick.
class SourceSelectionTest : public FileListsTest {
 protected:
  SourceSelectionTest() {
    f.strMyDirectory = dir.path();
    WriteFile(a + kSep + "IMG_0001.JPG", "x");
    WriteFile(b + kSep + "IMG_0100.JPG", "x");
    h.txtMessage.text = "before";
  }
  void Pick(const std::string& answer) {
    h.desktop.picks.push_back(answer);
    f.cmdSource_Click();
  }
  const std::string a = dir / "A", b = dir / "B";
};

TEST_F(SourceSelectionTest, ThePickerStartsInTheCardsPhotoFolderAndTakesThePickAsItIs) {
  Pick("");  // no source yet: a cancel does nothing
  EXPECT_EQ(f.strSourcePath + h.txtMessage.text, "before");
  testing::MakeFolders(dir / "DCIM/100MEDIA");
  Pick(dir / "DCIM");  // taken as it is, though it holds only a folder
  EXPECT_EQ(f.strSourcePath, dir / "DCIM");
  EXPECT_EQ(h.txtMessage.text, kSourceSet + " ...But the SOURCE is empty!");
  ASSERT_EQ(h.desktop.pick_calls.size(), 2u);
  EXPECT_EQ(h.desktop.pick_calls[0].start_folder, dir.path());
  EXPECT_EQ(h.desktop.pick_calls[1].start_folder, dir / "DCIM");
  EXPECT_EQ(h.desktop.pick_calls[1].title, "Locate Your Photos Folder");
}

// A cancel lists the current source again, whether start-up or a pick chose it, so the list on
// show and the folder Start copies from agree.
TEST_F(SourceSelectionTest, ACancelListsTheCurrentSourceAgain) {
  f.strSourcePath = b;                        // as start-up leaves it, with nothing picked yet
  WriteFile(b + kSep + "IMG_0099.JPG", "x");  // added meanwhile
  Pick("");
  EXPECT_EQ(f.strSourcePath, b);
  EXPECT_EQ(h.txtMessage.text, kSourceSet);
  EXPECT_EQ(h.txtSource.text, "IMG_0099.JPG");
}

}  // namespace
}  // namespace pixferry
