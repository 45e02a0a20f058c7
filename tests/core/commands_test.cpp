#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using namespace testing;

// The settings file lives in the current directory, which each test makes a fresh folder.
class CommandTest : public ::testing::Test {
 protected:
  std::string SettingsBytes() const { return ReadFile(dir / "paths.dat"); }

  TempDir dir;
  ScopedCurrentDirectory cwd{dir.path()};
  Harness h;
  frmMain& f = *h.form;
};

// The suffix is matched exactly at the very end of the whole text; the Current commands then
// show what was saved, and Copyright puts one credit line in the message box.
TEST_F(CommandTest, SaveSetsTheValueAndItsSwitchAndConfirms) {
  struct Case {
    bool start;  // typed into the User box for Start, else into the Incident box for Set Source
    std::string text, value, on;
  };
  for (const Case& c : std::vector<Case>{
           {true, "Save Internal", "Internal", "False"},
           {true, "Save viewer.exe Local", "viewer.exe", "True"},
           {false, "Save D:\\Cases Rename", "D:\\Cases", "True"},
           {false, "Save D:\\Cases rename", "D:\\Cases rename", "False"},
           {false, "Save  Rename", "", "True"},
           {false, "Save C:\\\u00c9vidence \u20ac Rename", "C:\\\u00c9vidence \u20ac", "True"}}) {
    SCOPED_TRACE(c.text);
    h.desktop.boxes.clear();
    (c.start ? h.txtUser : h.txtIncidentNumber).text = c.text;
    c.start ? f.cmdStartCopy_Click() : f.cmdSource_Click();
    EXPECT_EQ(c.start ? f.strMediaProgram : f.strSavePath, c.value);
    EXPECT_EQ(c.start ? f.strLocalSwitch : f.strRenameSwitch, c.on);
    EXPECT_EQ(
        h.desktop.boxes,
        (Boxes{c.start
                   ? MessageBoxCall{"Program to open media set to " + c.value, 64, "Open With..."}
                   : MessageBoxCall{"Destination set to " + c.value, 64, "Destination"}}));
  }
  // Each button wrote only its own pair of records: 1 and 4, or 2 and 3; a letter of the code
  // page, the euro sign among them, is one byte.
  EXPECT_EQ(SettingsBytes(), RecordBytes("C:\\\xC9vidence \x80") + RecordBytes("viewer.exe") +
                                 RecordBytes("True") + RecordBytes("True"));

  h.desktop.boxes.clear();
  f.strMyDirectory = "/card";  // start-up's directory need not be the current one
  for (const char* word : {"Copyright", "Current Save Path", "Current Directory"}) {
    h.txtIncidentNumber.text = word;
    f.cmdSource_Click();
  }
  EXPECT_NE(h.txtMessage.text.find("Pixferry"), std::string::npos);
  h.txtUser.text = "Current Program";
  f.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{"C:\\\u00c9vidence \u20ac is the current save path. Renaming is set to True",
                    64, "Save Path"},
                   {dir.path() + " is the current directory", 0, ""},
                   {"/card is strMyDirectory", 0, ""},
                   {"Program set to open media is viewer.exe, Local is set to True", 64,
                    "Open With..."}}));
}

// A failing command keeps the members it changed and writes nothing. In "Save Rename" the
// suffix takes in the prefix's blank, leaving less than itself to cut off.
TEST_F(CommandTest, AFailingCommandKeepsItsNewMembersAndShowsTheButtonsOwnBox) {
  h.txtIncidentNumber.text = "Save Rename";
  f.cmdSource_Click();
  h.txtUser.text = "Save Local";
  f.cmdStartCopy_Click();
  EXPECT_EQ(f.strSavePath + f.strRenameSwitch + f.strMediaProgram + f.strLocalSwitch,
            "RenameTrueLocalTrue");

  const std::string too_long(254, 'p');  // a record holds 253 bytes of text
  h.txtIncidentNumber.text = "Save " + too_long;
  f.cmdSource_Click();
  h.txtUser.text = "Save " + too_long + " Local";
  f.cmdStartCopy_Click();
  EXPECT_EQ(f.strSavePath + f.strRenameSwitch + f.strMediaProgram + f.strLocalSwitch,
            too_long + "False" + too_long + "True");
  EXPECT_EQ(SettingsBytes(), "");  // opening made it; the pair's second is not reached
  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{"5 Invalid procedure call or argument", 0, ""},
                   {"5 Invalid procedure call or argument in cmdStartImport_Click", 0, ""},
                   {"59 Bad record length", 0, ""},
                   {"59 Bad record length in cmdStartImport_Click", 0, ""}}));
}

// The settings file holds one byte per character in the code page (Windows-1252 here): a text
// that would come back with "?" in place of its letters is refused before anything changes.
TEST_F(CommandTest, SaveRefusesTextTheCodePageCannotHold) {
  const std::string before = RecordBytes("C:\\Old") + RecordBytes("viewer.exe");
  WriteFile(dir / "paths.dat", before);
  f.strSavePath = "C:\\Old";
  f.strMediaProgram = "viewer.exe";
  const std::string kNotStored =
      " cannot be stored in paths.dat: it has characters that the file's code page cannot hold.  ";
  Boxes expected;
  for (const std::string value : {"C:\\\u0414\u0435\u043b\u0430", "D:\\\u6848\u4ef6",
                                  "E:\\Cases \U0001F4F7", "F:\\Caf\u00e9\u0301"}) {
    SCOPED_TRACE(value);
    h.txtIncidentNumber.text = "Save " + value + " Rename";
    f.cmdSource_Click();
    h.txtUser.text = "Save " + value;
    f.cmdStartCopy_Click();
    expected.push_back({value + kNotStored + "The destination was not changed.", 48, "Not Saved"});
    expected.push_back(
        {value + kNotStored + "The program to open media was not changed.", 48, "Not Saved"});
  }
  EXPECT_EQ(h.desktop.boxes, expected);
  EXPECT_EQ(f.strSavePath + f.strRenameSwitch + f.strMediaProgram + f.strLocalSwitch,
            "C:\\Oldviewer.exe");
  EXPECT_EQ(SettingsBytes(), before);
  EXPECT_EQ(h.txtIncidentNumber.text, "Save F:\\Caf\u00e9\u0301 Rename");  // the box keeps its text
}

}  // namespace
}  // namespace pixferry
