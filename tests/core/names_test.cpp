// Names POSIX allows that Windows does not: a leading ".", and "*", "?" and "[" in a name. Each
// is a name like any other when the program names it exactly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "tests/support/fakes.h"
#include "tests/support/messages.h"
#include "tests/support/tempdir.h"

#ifndef _WIN32
namespace pixferry {
namespace {

using namespace testing;

class NamesTest : public ::testing::Test {
 protected:
  NamesTest() {
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "1/1/08";
  }
  void Copy() {
    h.desktop.boxes.clear();
    f.cmdStartCopy_Click();
  }

  TempDir dir;
  Harness h;
  frmMain& f = *h.form;
};

// A destination root saved by command, a source and an incident (so the case folder
// ".5_Desk_...") that begin with a dot: the copy uses them, lists the case folder at once, and
// finds it again on the next run.
TEST_F(NamesTest, FoldersBeginningWithADotAreSavedCopiedIntoAndListed) {
  WriteFile(dir / ".hsrc/IMG_0001.JPG", "one");
  testing::ScopedCurrentDirectory cd(dir.path());
  h.txtIncidentNumber.text = "Save " + dir / ".cases Rename";
  f.cmdSource_Click();
  MakeFolders(dir / ".cases");
  f.strSourcePath = dir / ".hsrc";
  h.txtIncidentNumber.text = ".5";
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    Copy();
    EXPECT_TRUE(h.desktop.boxes.empty()) << h.desktop.boxes.front().text;
    EXPECT_EQ(f.strTargetPath, dir / ".cases/.5_Desk_2008-01-01");
    EXPECT_EQ(f.lngTargetCount, run);
    EXPECT_EQ(h.txtMessage.text, kCopied);
  }
  EXPECT_EQ(ReadFile(dir / ".cases/.5_Desk_2008-01-01/00000002.JPG"), "one");
}

// "a*.JPG" is not "ab.JPG": no question, and the photo is copied under its own name.
TEST_F(NamesTest, WildcardCharactersInAPhotoNameAreNoPattern) {
  for (const char* name : {"a*.JPG", "q?.JPG", "r[1].JPG"})
    WriteFile(dir / ("card/" + std::string(name)), name);
  f.strSavePath = dir / "cases";
  for (const char* taken : {"ab.JPG", "qx.JPG", "r1.JPG"}) {
    WriteFile(dir / ("cases/0815_Desk_2008-01-01/" + std::string(taken)), "already there");
  }
  f.strSourcePath = dir / "card";
  Copy();
  EXPECT_TRUE(h.desktop.boxes.empty()) << h.desktop.boxes.front().text;
  for (const char* name : {"a*.JPG", "q?.JPG", "r[1].JPG"}) {
    EXPECT_EQ(ReadFile(dir / ("cases/0815_Desk_2008-01-01/" + std::string(name))), name);
  }
  EXPECT_EQ(ReadFile(dir / "cases/0815_Desk_2008-01-01/ab.JPG"), "already there");

  // The same name really there is still asked about.
  h.desktop.answers = {mb::kAnswerNo, mb::kAnswerNo, mb::kAnswerNo};
  Copy();
  EXPECT_EQ(h.desktop.boxes.size(), 3u);
}

}  // namespace
}  // namespace pixferry
#endif
