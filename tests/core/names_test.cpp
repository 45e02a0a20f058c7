// Names POSIX allows that Windows does not: a leading ".", and "*", "?" and "[" in a name. Each
// is a name like any other when the program names it exactly.
#include <gtest/gtest.h>

#include <algorithm>
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

namespace fs = std::filesystem;
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

TEST_F(NamesTest, ADestinationRootAndASourceBeginningWithADotAreSavedAndUsed) {
  WriteFile(dir / ".hsrc/IMG_0001.JPG", "one");
  testing::ScopedCurrentDirectory cd(dir.path());
  h.txtIncidentNumber.text = "Save " + dir / ".cases";
  f.cmdSource_Click();
  MakeFolders(dir / ".cases");
  f.strSourcePath = dir / ".hsrc";
  h.txtIncidentNumber.text = "0815";
  Copy();
  EXPECT_TRUE(h.desktop.boxes.empty()) << h.desktop.boxes.front().text;
  EXPECT_EQ(ReadFile(dir / ".cases/0815_Desk_2008-01-01/IMG_0001.JPG"), "one");
  EXPECT_EQ(h.txtMessage.text, kCopied);
}

// The case folder ".5_Desk_..." is the one the copy made: listed at once, and used again.
TEST_F(NamesTest, AnIncidentBeginningWithADotGetsItsTargetListEachTime) {
  WriteFile(dir / "card/IMG_0001.JPG", "one");
  f.strSavePath = dir / "cases";
  MakeFolders(f.strSavePath);
  f.strSourcePath = dir / "card";
  h.txtIncidentNumber.text = ".5";
  f.strRenameSwitch = "True";
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    Copy();
    EXPECT_TRUE(h.desktop.boxes.empty()) << h.desktop.boxes.front().text;
    EXPECT_EQ(f.strTargetPath, dir / "cases/.5_Desk_2008-01-01");
    EXPECT_EQ(f.lngTargetCount, run);
    EXPECT_EQ(h.txtMessage.text, kCopied);
  }
  EXPECT_EQ(AllNames(dir / "cases/.5_Desk_2008-01-01"), (Names{"00000001.JPG", "00000002.JPG"}));
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

TEST_F(NamesTest, ADestinationRootWithAQuestionMarkMustExistItself) {
  WriteFile(dir / "card/IMG_0001.JPG", "one");
  MakeFolders(dir / "Ca1");
  f.strSavePath = dir / "C?1";
  f.strSourcePath = dir / "card";
  Copy();
  ASSERT_EQ(h.desktop.boxes.size(), 2u);
  EXPECT_EQ(h.desktop.boxes[0].title, "Error");
  EXPECT_EQ(h.desktop.boxes[0].text,
            "There is a problem with the target directory.  The variable is missing or the "
            "directory is not valid.");
  EXPECT_TRUE(fs::is_empty(dir / "Ca1"));
}

}  // namespace
}  // namespace pixferry
#endif
