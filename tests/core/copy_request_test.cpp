#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/frmMain.h"
#include "platform/dates.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// The operator has a card chosen and typed a request.
class CopyRequestTest : public ::testing::Test {
 protected:
  CopyRequestTest() {
    WriteFile(card / "IMG_0002.JPG", "second");
    WriteFile(card / "IMG_0001.JPG", "first");
    f.strSavePath = cases.path();
    f.strSourcePath = card.path();
    f.strUserName = "old user";  // what a request that stops early must leave alone
    f.strCopyDate = "old date";
    h.txtIncidentNumber.text = "0815-22";
    h.txtUser.text = "Desk 4";
    h.txtDate.text = "1/1/08";  // read alike in every locale
    h.txtMessage.text = "Source list is set.";
  }

  // Presses Start; it stops before the date is taken: these boxes, nothing copied, members as
  // before.
  void ExpectStoppedEarly(const Boxes& boxes, const char* status = "Source list is set.") {
    f.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, boxes);
    EXPECT_TRUE(fs::is_empty(cases.path()));
    EXPECT_EQ(f.strUserName + "|" + f.strCopyDate, "old user|old date");
    EXPECT_EQ(h.txtMessage.text, status);
    h.desktop.boxes.clear();
  }

  TempDir card, cases;
  Harness h;
  frmMain& f = *h.form;
};

// "?", "%", "*", "$", "\\", "/" and the blank become underscores in the case folder's name.
// Leaving the date box keeps a date typed there (the folder's), and writes today's in an empty one.
TEST_F(CopyRequestTest, ACardIsCopiedIntoItsCaseFolderAndTheTargetListShowsIt) {
  h.txtIncidentNumber.text = "12/34 A";
  h.txtUser.text = "D?e%s*k$\\4";
  f.txtDate_LostFocus();
  f.cmdStartCopy_Click();
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(ReadFile(cases / "12_34_A_D_e_s_k__4_2008-01-01/IMG_0002.JPG"), "second");
  EXPECT_EQ(f.lngTargetCount, 2);
  EXPECT_EQ(
      h.txtMessage.refreshed,
      (Names{"Please wait... ", "Copying Files... IMG_0001.JPG", "Copying Files... IMG_0002.JPG",
             "Photos copied successfully.  If you'd like to cleanse the photos from your "
             "source(disk), click 'Delete'."}));
  h.txtDate.text = "";
  f.txtDate_LostFocus();
  CalendarDate today;
  ASSERT_EQ(Today(today), 0);
  EXPECT_EQ(h.txtDate.text, ShortDateText(today));
}

TEST_F(CopyRequestTest, EachCheckStopsTheRequestWithItsOwnBoxes) {
  h.txtIncidentNumber.text = "";
  ExpectStoppedEarly(
      {{"You must fill in Incident, User, and Date boxes to proceed.", 64, "Missing Information"}});
  EXPECT_EQ(f.strIncidentNumber, "");  // taken before the check
  h.txtIncidentNumber.text = "0815-22";

  f.strSourcePath = "";  // the destination is checked first
  f.strSavePath = cases / "gone";
  ExpectStoppedEarly({{"There is a problem with the target directory.  The variable is missing or "
                       "the directory is not valid.",
                       48, "Error"},
                      {"The target is set to " + cases / "gone" +
                           ".  Check your command documentation for information on how to fix "
                           "this setting.",
                       64, "Correction Needed"}});
  f.strSavePath = cases.path();
  ExpectStoppedEarly(
      {{"There is a problem with the source directory.  The variable is messed up "
        "or the directory is missing!",
        48, "Error!"}});
  f.strSourcePath = card.path();
  h.txtDate.text = "31/31/2008";  // no date: stops at "Please wait... "
  ExpectStoppedEarly({{"ERROR...You need to format the date correctly.  Correct formats look like: "
                       "01/01/1008, 1/1/2008, 1/1/08, 1-1-2008, etc.",
                       48, "Error!"}},
                     "Please wait... ");
}

#ifndef _WIN32
// Wildcard characters are part of a POSIX name: "a*.JPG" is not "ab.JPG", so no question, and the
// photo is copied under its own name.
TEST_F(CopyRequestTest, WildcardCharactersInAPhotoNameAreNoPattern) {
  const std::string folder = cases / "0815-22_Desk_4_2008-01-01/";
  const Names names = {"a*.JPG", "q?.JPG", "r[1].JPG"};
  for (const std::string& name : names) WriteFile(card / name, name);
  for (const char* taken : {"ab.JPG", "qx.JPG", "r1.JPG"}) WriteFile(folder + taken, "taken");
  f.cmdStartCopy_Click();
  EXPECT_TRUE(h.desktop.boxes.empty()) << h.desktop.boxes.front().text;
  for (const std::string& name : names) EXPECT_EQ(ReadFile(folder + name), name);
  EXPECT_EQ(ReadFile(folder + "ab.JPG"), "taken");
  h.desktop.answers.assign(5, mb::kAnswerNo);  // the same names really there are asked about
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes.size(), 5u);
}
#endif

}  // namespace
}  // namespace pixferry
