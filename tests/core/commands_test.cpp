#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/records.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pixferry {
namespace {

using testing::Exists;
using testing::Harness;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::ScopedCurrentDirectory;
using testing::TempDir;
using testing::WriteFile;

std::string RecordBytes(std::string_view ansi) {
  std::string r(255, '\0');
  r[0] = static_cast<char>(ansi.size() & 0xFF);
  r[1] = static_cast<char>(ansi.size() >> 8);
  r.replace(2, ansi.size(), ansi);
  return r;
}

const std::string kEmptyRecord = RecordBytes("");

// The settings file lives in the current directory, which each test makes a fresh folder.
class CommandTest : public ::testing::Test {
 protected:
  CommandTest() { h.form->strMyDirectory = dir.path(); }

  std::string SettingsBytes() const { return ReadFile(dir / "paths.dat"); }
  bool SettingsExist() const { return Exists(dir / "paths.dat"); }

  TempDir dir;
  ScopedCurrentDirectory cwd{dir.path()};
  Harness h;
  frmMain& f = *h.form;
};

// ---- Set Source's "Save " command.

struct SaveCase {
  std::string text;
  std::string path;    // strSavePath afterwards
  std::string rename;  // strRenameSwitch afterwards
};

class SetSourceSave : public CommandTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SetSourceSave, SetsTheMembersWritesRecords1And4AndConfirms) {
  const SaveCase& c = GetParam();
  h.txtIncidentNumber.text = c.text;
  h.txtMessage.text = "status";
  f.cmdSource_Click();

  EXPECT_EQ(f.strSavePath, c.path);
  EXPECT_EQ(f.strRenameSwitch, c.rename);
  EXPECT_EQ(SettingsBytes(),
            RecordBytes(c.path) + kEmptyRecord + kEmptyRecord + RecordBytes(c.rename));
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"Destination set to " + c.path, 64, "Destination"}}));
  EXPECT_TRUE(h.desktop.pick_calls.empty());
  EXPECT_EQ(h.txtIncidentNumber.text, c.text);  // the command stays in its box
  EXPECT_EQ(h.txtMessage.text, "status");
}

INSTANTIATE_TEST_SUITE_P(
    MatchingRules, SetSourceSave,
    ::testing::Values(SaveCase{"Save D:\\Cases Rename", "D:\\Cases", "True"},
                      SaveCase{"Save D:\\Cases", "D:\\Cases", "False"},
                      SaveCase{"Save D:\\Cases rename", "D:\\Cases rename", "False"},
                      SaveCase{"Save D:\\Cases Rename ", "D:\\Cases Rename ", "False"},
                      SaveCase{"Save D:\\Cases Rename Rename", "D:\\Cases Rename", "True"},
                      SaveCase{"Save D:\\CasesRename", "D:\\CasesRename", "False"},
                      SaveCase{"Save ", "", "False"}, SaveCase{"Save  Rename", "", "True"},
                      SaveCase{"Save  D:\\Cases", " D:\\Cases", "False"},
                      SaveCase{"Save /srv/cases Local", "/srv/cases Local", "False"},
                      SaveCase{"Save Copyright", "Copyright", "False"}));

// ---- Start's "Save " command.

struct ProgramCase {
  std::string text;
  std::string program;  // strMediaProgram afterwards
  std::string local;    // strLocalSwitch afterwards
};

class StartSave : public CommandTest, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(StartSave, SetsTheMembersWritesRecords2And3AndConfirms) {
  const ProgramCase& c = GetParam();
  h.txtUser.text = c.text;
  f.cmdStartCopy_Click();

  EXPECT_EQ(f.strMediaProgram, c.program);
  EXPECT_EQ(f.strLocalSwitch, c.local);
  EXPECT_EQ(SettingsBytes(), kEmptyRecord + RecordBytes(c.program) + RecordBytes(c.local));
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{
                {"Program to open media set to " + c.program, 64, "Open With..."}}));
  EXPECT_EQ(h.txtUser.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    MatchingRules, StartSave,
    ::testing::Values(ProgramCase{"Save Internal", "Internal", "False"},
                      ProgramCase{"Save viewer.exe Local", "viewer.exe", "True"},
                      ProgramCase{"Save viewer.exe local", "viewer.exe local", "False"},
                      ProgramCase{"Save viewer.exe Local ", "viewer.exe Local ", "False"},
                      ProgramCase{"Save ", "", "False"}, ProgramCase{"Save  Local", "", "True"},
                      ProgramCase{"Save Tools\\my viewer.exe", "Tools\\my viewer.exe", "False"},
                      ProgramCase{"Save viewer.exe Rename", "viewer.exe Rename", "False"}));

// ---- Texts that are no command: the button does its normal job.

class SetSourceNoCommand : public CommandTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SetSourceNoCommand, OpensTheFolderPicker) {
  h.txtIncidentNumber.text = GetParam();
  h.desktop.picks = {""};
  f.cmdSource_Click();

  ASSERT_EQ(h.desktop.pick_calls.size(), 1u);
  EXPECT_EQ(h.desktop.pick_calls[0].title, "Locate Your Photos Folder");
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_FALSE(SettingsExist());
  EXPECT_EQ(f.strSavePath, "");
  EXPECT_EQ(f.strRenameSwitch, "");
  EXPECT_EQ(h.txtIncidentNumber.text, GetParam());
}

INSTANTIATE_TEST_SUITE_P(MatchingRules, SetSourceNoCommand,
                         ::testing::Values("", "save D:\\Cases", "SAVE D:\\Cases", "SaveD:\\Cases",
                                           "Save", " Save D:\\Cases", "Rename", " Rename",
                                           "copyright", "Copyright ", " Copyright",
                                           "Current save path", "Current Directory ",
                                           "Current Program", "0815-22"));

class StartNoCommand : public CommandTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(StartNoCommand, GoesOnToTheCopyRequest) {
  h.txtUser.text = GetParam();
  h.txtIncidentNumber.text = "";  // the copy request stops at its box check
  f.cmdStartCopy_Click();

  EXPECT_EQ(
      h.desktop.boxes,
      (std::vector<MessageBoxCall>{{"You must fill in Incident, User, and Date boxes to proceed.",
                                    64, "Missing Information"}}));
  EXPECT_FALSE(SettingsExist());
  EXPECT_EQ(f.strMediaProgram, "");
  EXPECT_EQ(f.strLocalSwitch, "");
}

INSTANTIATE_TEST_SUITE_P(MatchingRules, StartNoCommand,
                         ::testing::Values("save Internal", "SaveInternal", "Save", "Local",
                                           "current program", "Current Program ", "Copyright",
                                           "Current Save Path", "Current Directory", "Desk 4"));

// ---- The showing commands.

TEST_F(CommandTest, CurrentSavePathShowsBothMembersEvenWhenEmpty) {
  h.txtIncidentNumber.text = "Current Save Path";
  f.cmdSource_Click();
  f.strSavePath = "D:\\Cases";
  f.strRenameSwitch = "True";
  f.cmdSource_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{
                {" is the current save path. Renaming is set to ", 64, "Save Path"},
                {"D:\\Cases is the current save path. Renaming is set to True", 64, "Save Path"}}));
  EXPECT_FALSE(SettingsExist());
}

TEST_F(CommandTest, CurrentDirectoryShowsTheProcessDirectoryThenTheStartUpOne) {
  f.strMyDirectory = "/card";  // start-up's directory need not be the current one
  h.txtIncidentNumber.text = "Current Directory";
  f.cmdSource_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{dir.path() + " is the current directory", 0, ""},
                                         {"/card is strMyDirectory", 0, ""}}));
}

TEST_F(CommandTest, CurrentDirectoryAtARootKeepsItsSeparator) {
  const std::string root = std::filesystem::current_path().root_path().string();
  ScopedCurrentDirectory at_root(root);
  h.txtIncidentNumber.text = "Current Directory";
  f.cmdSource_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 2u);
  EXPECT_EQ(h.desktop.boxes[0].text, root + " is the current directory");
}

TEST_F(CommandTest, CurrentProgramShowsTheProgramAndTheLocalSwitch) {
  f.strMediaProgram = "viewer.exe";
  f.strLocalSwitch = "True";
  h.txtUser.text = "Current Program";
  f.cmdStartCopy_Click();
  EXPECT_EQ(
      h.desktop.boxes,
      (std::vector<MessageBoxCall>{
          {"Program set to open media is viewer.exe, Local is set to True", 64, "Open With..."}}));
}

TEST_F(CommandTest, CopyrightWritesOneCreditLineIntoTheStatusBox) {
  h.txtMessage.text = "Click 'Set Source' to begin";
  h.txtIncidentNumber.text = "Copyright";
  f.cmdSource_Click();
  EXPECT_NE(h.txtMessage.text.find("Pixferry"), std::string::npos);
  EXPECT_EQ(h.txtMessage.text.find('\n'), std::string::npos);
  EXPECT_EQ(h.txtMessage.text.find('\r'), std::string::npos);
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_TRUE(h.desktop.pick_calls.empty());
  EXPECT_EQ(h.txtIncidentNumber.text, "Copyright");
}

// ---- Both saves together: what a restart would read.

TEST_F(CommandTest, EachSaveWritesOnlyItsOwnPairOfRecords) {
  h.txtIncidentNumber.text = "Save D:\\Cases Rename";
  f.cmdSource_Click();
  h.txtUser.text = "Save viewer.exe Local";
  f.cmdStartCopy_Click();
  EXPECT_EQ(SettingsBytes(), RecordBytes("D:\\Cases") + RecordBytes("viewer.exe") +
                                 RecordBytes("True") + RecordBytes("True"));

  h.txtIncidentNumber.text = "Save E:\\Other";
  f.cmdSource_Click();
  EXPECT_EQ(SettingsBytes(), RecordBytes("E:\\Other") + RecordBytes("viewer.exe") +
                                 RecordBytes("True") + RecordBytes("False"));

  // Clicking again repeats the command.
  f.cmdSource_Click();
  EXPECT_EQ(h.desktop.boxes.size(), 4u);
  EXPECT_EQ(h.desktop.boxes.back().text, "Destination set to E:\\Other");
}

TEST_F(CommandTest, SaveStoresTheDestinationInTheAnsiCodePage) {
  h.txtIncidentNumber.text = "Save D:\\Caf\xC3\xA9";
  f.cmdSource_Click();
  EXPECT_EQ(f.strSavePath, "D:\\Caf\xC3\xA9");
  EXPECT_EQ(SettingsBytes().substr(0, 255), RecordBytes("D:\\Caf\xE9"));
  EXPECT_EQ(h.desktop.boxes.at(0).text, "Destination set to D:\\Caf\xC3\xA9");
}

// ---- Failures.

TEST_F(CommandTest, ADestinationOver253BytesFailsWith59AndKeepsTheNewMembers) {
  h.txtIncidentNumber.text = "Save D:\\Old Rename";
  f.cmdSource_Click();
  const std::string before = SettingsBytes();
  h.desktop.boxes.clear();

  const std::string long_path(254, 'p');
  h.txtIncidentNumber.text = "Save " + long_path;
  f.cmdSource_Click();
  EXPECT_EQ(f.strSavePath, long_path);
  EXPECT_EQ(f.strRenameSwitch, "False");
  EXPECT_EQ(SettingsBytes(), before);  // record 4 is not reached either
  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{{"59 Bad record length", 0, ""}}));

  h.desktop.boxes.clear();
  h.txtIncidentNumber.text = "Save " + std::string(253, 'p');
  f.cmdSource_Click();
  EXPECT_EQ(h.desktop.boxes.at(0).title, "Destination");
}

TEST_F(CommandTest, AProgramOver253BytesFailsWith59InStartsWords) {
  h.txtUser.text = "Save " + std::string(300, 'v') + " Local";
  f.cmdStartCopy_Click();
  EXPECT_EQ(f.strMediaProgram, std::string(300, 'v'));
  EXPECT_EQ(f.strLocalSwitch, "True");
  EXPECT_EQ(SettingsBytes(), "");  // opening created it; nothing was written
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"59 Bad record length in cmdStartImport_Click", 0, ""}}));
}

TEST_F(CommandTest, SaveRenameAloneIsAnInvalidProcedureCall) {
  h.txtIncidentNumber.text = "Save Rename";
  f.cmdSource_Click();
  EXPECT_EQ(f.strSavePath, "Rename");
  EXPECT_EQ(f.strRenameSwitch, "True");
  EXPECT_FALSE(SettingsExist());
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{{"5 Invalid procedure call or argument", 0, ""}}));
  EXPECT_TRUE(h.desktop.pick_calls.empty());
}

TEST_F(CommandTest, SaveLocalAloneIsAnInvalidProcedureCallInStartsWords) {
  h.txtUser.text = "Save Local";
  f.cmdStartCopy_Click();
  EXPECT_EQ(f.strMediaProgram, "Local");
  EXPECT_EQ(f.strLocalSwitch, "True");
  EXPECT_FALSE(SettingsExist());
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{
                {"5 Invalid procedure call or argument in cmdStartImport_Click", 0, ""}}));
}

TEST_F(CommandTest, ASettingsFileThatCannotBeOpenedIsReportedByEachButton) {
  testing::MakeFolders(dir / "paths.dat");  // a folder where the file should be
  h.txtIncidentNumber.text = "Save D:\\Cases";
  f.cmdSource_Click();
  h.txtUser.text = "Save Internal";
  f.cmdStartCopy_Click();
  EXPECT_EQ(f.strSavePath, "D:\\Cases");
  EXPECT_EQ(f.strMediaProgram, "Internal");
  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{
                                 {"75 Path/File access error", 0, ""},
                                 {"75 Path/File access error in cmdStartImport_Click", 0, ""}}));
}

#ifndef _WIN32
TEST_F(CommandTest, AReadOnlySettingsFolderIsReportedWith70) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which may write into any folder";
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  h.txtIncidentNumber.text = "Save D:\\Cases Rename";
  f.cmdSource_Click();
  EXPECT_EQ(f.strSavePath, "D:\\Cases");
  EXPECT_EQ(f.strRenameSwitch, "True");
  EXPECT_FALSE(SettingsExist());
  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{{"70 Permission denied", 0, ""}}));
}
#endif

#ifdef __linux__
// True when this process holds paths.dat open (its descriptors are listed under /proc).
bool SettingsFileOpen() {
  std::error_code ec;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    const auto target = std::filesystem::read_symlink(fd.path(), ec);
    if (!ec && target.filename() == "paths.dat") return true;
  }
  return false;
}

TEST_F(CommandTest, TheSettingsFileIsClosedBeforeAnyBoxShows) {
  {
    RecordFile probe("paths.dat", RecordFile::Mode::WriteOnly);
    ASSERT_TRUE(SettingsFileOpen()) << "the probe cannot see open files here";
  }
  std::vector<bool> open_at_box;
  h.desktop.on_box = [&](const MessageBoxCall&) { open_at_box.push_back(SettingsFileOpen()); };
  h.txtIncidentNumber.text = "Save D:\\Cases";
  f.cmdSource_Click();
  h.txtIncidentNumber.text = "Save " + std::string(254, 'p');
  f.cmdSource_Click();
  h.txtUser.text = "Save " + std::string(254, 'p');
  f.cmdStartCopy_Click();
  EXPECT_EQ(open_at_box, (std::vector<bool>{false, false, false}));
}
#endif

}  // namespace
}  // namespace pixferry
