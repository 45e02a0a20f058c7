#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

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

// Every plain file, by character code; a look-up that fails is reported as an empty list, and the
// other list is not touched.
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

  f.strSourcePath = dir / std::string(300, 'x');  // longer than any folder name may be
  f.SetSourceList();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"64 Bad file name in SortedFiles", 0, ""}}));
  EXPECT_EQ(h.txtMessage.text, "Before. ...But the SOURCE is empty!");
  EXPECT_EQ(f.lngSourceCount, 0);
  EXPECT_FALSE(h.TargetButtonsEnabled());
}

// After a copy the case folder's files replace the previous job's list. Without a case folder
// nothing changes and nothing is said; a look-up that fails is reported and changes nothing
// either. A case folder holding only a folder gives an empty list.
TEST_F(FileListsTest, TheCaseFoldersFilesBecomeTheTargetList) {
  f.strIncidentNumber = "0815-22";
  f.strUserName = "Desk_4";
  f.strCopyDate = "2008-03-02";
  f.strTargetPath = "previous";
  f.lngTargetCount = f.lngTargetIndex = 2;
  h.txtTarget.text = "00000002.jpg";
  for (const std::string& save : {dir / "Cases", dir / std::string(300, 'x')}) {
    f.strSavePath = save;
    f.SetTargetList();
  }
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"64 Bad file name in Sub SetTargetList", 0, ""}}));
  EXPECT_EQ(f.strTargetPath + h.txtTarget.text + h.txtMessage.text, "previous00000002.jpg");
  EXPECT_EQ(f.lngTargetCount, 2);

  const std::string folder = dir / "Cases/0815-22_Desk_4_2008-03-02";
  WriteFile(folder + kSep + "00000002.jpg", "x");
  WriteFile(folder + kSep + "00000001.jpg", "x");
  f.strSavePath = dir / "Cases";
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, folder);
  EXPECT_EQ(f.strTargetFiles, (Names{"", "00000001.jpg", "00000002.jpg"}));
  EXPECT_EQ(f.lngTargetIndex, 1);
  EXPECT_EQ(h.txtTarget.text, "00000001.jpg");
  EXPECT_TRUE(h.TargetButtonsEnabled());

  f.strIncidentNumber = "0816";
  testing::MakeFolders(dir / "Cases/0816_Desk_4_2008-03-02/sub");
  f.SetTargetList();
  EXPECT_EQ(f.strTargetPath, dir / "Cases/0816_Desk_4_2008-03-02");
  EXPECT_EQ(f.lngTargetCount, 0);
  EXPECT_FALSE(h.TargetButtonsEnabled());
  EXPECT_EQ(h.txtMessage.text, " ...But the TARGET is empty!");
}

const std::string kSourceSet =
    "Photo source set. Make sure the Incident, User, and Date are correct and click 'Start' to "
    "send the photos.";

// A cancel before any pick changes nothing: the source start-up chose stays, listed as it was,
// and no message claims a new one. After a pick, a cancel takes the last folder picked again and
// lists it afresh (files added meanwhile show), also once Delete has removed it.
TEST(SourceSelection, ACancelTakesTheLastPickAgainOrChangesNothing) {
  // Before the cancel: whether start-up chose B, the folders picked, whether Delete emptied the
  // source. After it: the source, the message when it lists a folder (empty: none), the source box.
  struct Before {
    bool startup;
    std::string picks;
    bool deleted;
    std::string source, listed, first;
  };
  const Before befores[] = {
      {true, "", false, "B", "", "IMG_0100.JPG"},
      {true, "", true, "", "", ""},
      {true, "A", false, "A", kSourceSet, "IMG_0000.JPG"},
      {false, "AB", false, "B", kSourceSet, "IMG_0000.JPG"},
      {true, "A", true, "A", kSourceSet + " ...But the SOURCE is empty!", ""},
  };
  for (const Before& before : befores) {
    SCOPED_TRACE(before.source + (before.deleted ? " deleted" : ""));
    testing::TempDir dir;
    const auto in = [&](const std::string& name) { return name.empty() ? name : dir / name; };
    testing::Harness on;
    frmMain& form = *on.form;
    form.strMyDirectory = dir.path();
    WriteFile(dir / "A/IMG_0001.JPG", "x");
    WriteFile(dir / "B/IMG_0100.JPG", "x");
    if (before.startup) {
      form.strSourcePath = in("B");
      form.SetSourceList();
    }
    for (const char pick : before.picks) {
      on.desktop.picks.push_back(in(std::string(1, pick)));
      form.cmdSource_Click();
    }
    if (before.deleted) {
      testing::MarkCopied(form, form.strSourcePath);
      on.desktop.answers.push_back(mb::kAnswerYes);
      form.cmdDelete_Click();
      ASSERT_EQ(form.strSourcePath, "");
    } else {
      WriteFile(form.strSourcePath + kSep + "IMG_0000.JPG", "x");  // added meanwhile
    }
    const std::string message = on.txtMessage.text;
    on.desktop.picks.push_back("");
    form.cmdSource_Click();
    EXPECT_EQ(form.strSourcePath, in(before.source));
    EXPECT_EQ(on.txtMessage.text, before.listed.empty() ? message : before.listed);
    EXPECT_EQ(on.txtSource.text, before.first);
    EXPECT_EQ(on.desktop.pick_calls.back().title, "Locate Your Photos Folder");
    EXPECT_EQ(on.desktop.pick_calls.back().start_folder, dir.path());  // it holds no DCIM
  }
}

}  // namespace
}  // namespace pixferry
