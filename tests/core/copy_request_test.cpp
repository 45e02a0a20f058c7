#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/dates.h"
#include "platform/files.h"
#include "platform/records.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::Harness;
using testing::JpegBytes;
using testing::MakeFolders;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::ScopedCurrentDirectory;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

const std::string kSuccess =
    "Photos copied successfully.  If you'd like to cleanse the photos from your source(disk), "
    "click 'Delete'.";
const std::string kFailure = "An error occurred during import.  Please check photos";
const MessageBoxCall kMissingInformation{
    "You must fill in Incident, User, and Date boxes to proceed.", 64, "Missing Information"};
const MessageBoxCall kBadDate{
    "ERROR...You need to format the date correctly.  Correct formats look like: 01/01/1008, "
    "1/1/2008, 1/1/08, 1-1-2008, etc.",
    48, "Error!"};
const MessageBoxCall kBadSource{
    "There is a problem with the source directory.  The variable is messed up or the directory "
    "is missing!",
    48, "Error!"};

std::vector<MessageBoxCall> BadTarget(const std::string& save_path) {
  return {{"There is a problem with the target directory.  The variable is missing or the "
           "directory is not valid.",
           48, "Error"},
          {"The target is set to " + save_path +
               ".  Check your command documentation for information on how to fix this setting.",
           64, "Correction Needed"}};
}

// Every name in a folder, hidden ones included, sorted.
Names AllNames(const std::string& folder) {
  Names names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Date texts read month/day/year, as in the C locale, whatever the machine is set to.
class MonthDayYearLocale {
 public:
  MonthDayYearLocale() {
#ifndef _WIN32
    if (const char* value = std::getenv("LC_ALL")) saved_ = value;
    ::setenv("LC_ALL", "C", 1);
#endif
  }
  ~MonthDayYearLocale() {
#ifndef _WIN32
    if (saved_) {
      ::setenv("LC_ALL", saved_->c_str(), 1);
    } else {
      ::unsetenv("LC_ALL");
    }
#endif
  }

 private:
  std::optional<std::string> saved_;
};

// The operator started the program on a card and typed a request.
class CopyRequestTest : public ::testing::Test {
 protected:
  CopyRequestTest() {
    WriteFile(card / "IMG_0001.JPG", JpegBytes());
    WriteFile(card / "MVI_0002.MPG", "video");
    f.strSavePath = cases.path();
    f.strSourcePath = card.path();
    f.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815-22";
    h.txtUser.text = "Desk 4";
    h.txtDate.text = "3/2/2008";
    h.txtMessage.text = "Source list is set.";
  }

  // The members a request that stops early must leave alone.
  void SetOldValues() {
    f.strIncidentNumber = "old incident";
    f.strUserName = "old user";
    f.strCopyDate = "old date";
  }
  void ExpectNothingCopied() { EXPECT_TRUE(AllNames(cases.path()).empty()); }

  MonthDayYearLocale month_day_year;
  TempDir card, cases;
  Harness h;
  frmMain& f = *h.form;
};

TEST(CopyRequestRoad, ACardIsCopiedIntoItsCaseFolderFromOneClick) {
  MonthDayYearLocale month_day_year;
  TempDir card, cases;
  WriteFile(card / "DCIM/100MEDIA/IMG_0002.JPG", JpegBytes() + "second");
  WriteFile(card / "DCIM/100MEDIA/IMG_0001.JPG", JpegBytes());
  WriteFile(card / "DCIM/100MEDIA/MVI_0003.MPG", "a video clip");
  WriteFile(card / "DCIM/100MEDIA/IMG_0002.THM", "thumbnail");
  {
    RecordFile settings(card / "paths.dat", RecordFile::Mode::WriteOnly);
    settings.Write(1, cases.path());
    settings.Write(2, "viewer");
    settings.Write(3, "False");
    settings.Write(4, "False");
  }
  Harness h;
  frmMain& f = *h.form;
  ScopedCurrentDirectory cd(card.path());
  f.Form_Load();
  ASSERT_EQ(f.strSourcePath, card / "DCIM/100MEDIA");
  h.desktop.boxes.clear();

  h.txtIncidentNumber.text = "0815-22";
  h.txtUser.text = "Desk 4";
  h.txtDate.text = "3/2/2008";
  f.cmdStartCopy_Click();

  EXPECT_TRUE(h.desktop.boxes.empty());
  const std::string case_folder = cases / "0815-22_Desk_4_2008-03-02";
  EXPECT_EQ(AllNames(cases.path()), Names{"0815-22_Desk_4_2008-03-02"});
  EXPECT_EQ(AllNames(case_folder), (Names{"IMG_0001.JPG", "IMG_0002.JPG", "MVI_0003.MPG"}));
  for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "MVI_0003.MPG"}) {
    EXPECT_EQ(ReadFile(case_folder + kSep + name), ReadFile(card / "DCIM/100MEDIA/" + name));
  }
  EXPECT_EQ(f.strIncidentNumber, "0815-22");
  EXPECT_EQ(f.strUserName, "Desk_4");
  EXPECT_EQ(f.strCopyDate, "2008-03-02");

  EXPECT_EQ(f.strTargetPath, case_folder);
  EXPECT_EQ(f.lngTargetCount, 3);
  EXPECT_EQ(f.lngTargetIndex, 1);
  EXPECT_EQ(h.txtTarget.text, "IMG_0001.JPG");
  EXPECT_TRUE(h.TargetButtonsEnabled());

  EXPECT_EQ(h.txtMessage.text, kSuccess);
  EXPECT_EQ(h.txtMessage.refreshed,
            (Names{"Please wait... ", "Copying Files... IMG_0001.JPG",
                   "Copying Files... IMG_0002.JPG", "Copying Files... MVI_0003.MPG", kSuccess}));
  // The card is left as it was: cleansing it is the operator's next, separate step.
  EXPECT_EQ(AllNames(card / "DCIM/100MEDIA").size(), 4u);
}

TEST_F(CopyRequestTest, AnEmptyBoxStopsTheRequestBeforeAnythingHappens) {
  for (testing::FakeTextBox* box : {&h.txtIncidentNumber, &h.txtUser}) {
    SetOldValues();
    const std::string typed = box->text;
    box->text.clear();
    h.desktop.boxes.clear();
    f.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{kMissingInformation});
    EXPECT_EQ(f.strIncidentNumber, h.txtIncidentNumber.text);
    EXPECT_EQ(f.strUserName, "old user");
    EXPECT_EQ(f.strCopyDate, "old date");
    EXPECT_EQ(h.txtMessage.text, "Source list is set.");
    EXPECT_TRUE(h.txtMessage.refreshed.empty());
    ExpectNothingCopied();
    box->text = typed;
  }
}

TEST_F(CopyRequestTest, BoxesOfBlanksCountAsFilled) {
  h.txtUser.text = " ";
  f.cmdStartCopy_Click();
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(AllNames(cases.path()), Names{"0815-22___2008-03-02"});
}

TEST_F(CopyRequestTest, AnEmptyDateBoxTakesTodaysDateAndTheRequestGoesOn) {
  h.txtDate.text.clear();
  f.cmdStartCopy_Click();
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(h.txtDate.text, ShortDateText(Today()));
  const CalendarDate today = Today();
  char date[16];
  std::snprintf(date, sizeof date, "%d-%02d-%02d", today.year, today.month, today.day);
  EXPECT_EQ(f.strCopyDate, date);
  EXPECT_EQ(AllNames(cases.path()), Names{"0815-22_Desk_4_" + std::string(date)});
  EXPECT_EQ(h.txtMessage.text, kSuccess);
}

TEST_F(CopyRequestTest, LeavingTheDateBoxFillsOnlyAnEmptyOne) {
  h.txtDate.text = "no date at all";
  f.txtDate_LostFocus();
  EXPECT_EQ(h.txtDate.text, "no date at all");
  h.txtDate.text.clear();
  f.txtDate_LostFocus();
  EXPECT_EQ(h.txtDate.text, ShortDateText(Today()));
  EXPECT_EQ(ParseDate(h.txtDate.text), Today());
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(CopyRequestTest, AMissingDestinationShowsTwoBoxesAndCopiesNothing) {
  for (const std::string& save_path : {cases / "gone", std::string()}) {
    SetOldValues();
    h.desktop.boxes.clear();
    f.strSavePath = save_path;
    f.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, BadTarget(save_path));
    EXPECT_EQ(f.strIncidentNumber, "0815-22");
    EXPECT_EQ(f.strCopyDate, "old date");
    EXPECT_EQ(h.txtMessage.text, "Source list is set.");
  }
  ExpectNothingCopied();
  EXPECT_FALSE(fs::exists(cases / "gone"));
}

TEST_F(CopyRequestTest, ADestinationThatIsAFilePassesTheCheckAndFailsInTheCopy) {
  WriteFile(cases / "not a folder", "x");
  f.strSavePath = cases / "not a folder";
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"76 Path not found in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, kFailure);
  EXPECT_EQ(h.txtMessage.refreshed, (Names{"Please wait... ", kFailure}));
  EXPECT_EQ(ReadFile(cases / "not a folder"), "x");
}

TEST_F(CopyRequestTest, AMissingSourceIsReportedAfterTheDestinationCheck) {
  for (const std::string& source : {std::string(), card / "gone"}) {
    h.desktop.boxes.clear();
    f.strSourcePath = source;
    f.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{kBadSource});
  }
  f.strSavePath = cases / "gone";
  h.desktop.boxes.clear();
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, BadTarget(cases / "gone"));
  ExpectNothingCopied();
}

TEST_F(CopyRequestTest, ATextThatIsNoDateStopsTheRequestAtPleaseWait) {
  for (const char* date : {"31/31/2008", "a week ago", "1/1/", "2/30/2008", "3/2/2008 noon"}) {
    SetOldValues();
    h.desktop.boxes.clear();
    h.txtMessage.refreshed.clear();
    h.txtDate.text = date;
    f.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{kBadDate}) << date;
    EXPECT_EQ(h.txtMessage.text, "Please wait... ");
    EXPECT_TRUE(h.txtMessage.refreshed.empty());
    EXPECT_EQ(f.strIncidentNumber, "0815-22");
    EXPECT_EQ(f.strUserName, "old user");
    EXPECT_EQ(f.strCopyDate, "old date");
  }
  ExpectNothingCopied();
}

TEST_F(CopyRequestTest, ShortDatesBecomeYearMonthDay) {
  f.strRenameSwitch = "True";  // each run adds its copies to the same case folder
  for (const char* date : {"1/1/08", "1-1-2008", "01/01/2008", "1.1.08"}) {
    h.txtDate.text = date;
    f.cmdStartCopy_Click();
    EXPECT_EQ(f.strCopyDate, "2008-01-01") << date;
  }
  h.txtDate.text = "12/31/99";
  f.cmdStartCopy_Click();
  EXPECT_EQ(f.strCopyDate, "1999-12-31");
  EXPECT_TRUE(h.desktop.boxes.empty());
}

TEST_F(CopyRequestTest, AnEmptySourceFolderCopiesNothingAndSucceeds) {
  TempDir empty;
  f.strSourcePath = empty.path();
  f.cmdStartCopy_Click();
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_TRUE(AllNames(cases / "0815-22_Desk_4_2008-03-02").empty());
  EXPECT_EQ(h.txtMessage.text, kSuccess);
}

#ifndef _WIN32
TEST_F(CopyRequestTest, AFailingFolderCheckIsCaughtByTheHandler) {
  f.strSavePath = "/" + std::string(5000, 'a');
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"64 Bad file name in cmdStartImport_Click", 0, ""}}));
  ExpectNothingCopied();
}
#endif

}  // namespace
}  // namespace pixferry
