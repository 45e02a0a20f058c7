// The desktop services on real Win32: message boxes answered from inside their modal loop, the
// shell's folder dialog with its pre-selection, and starting a program on a photo.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/win32/wide.h"
#include "shell/win32/PickFolder.h"
#include "tests/support/tempdir.h"
#include "tests/win32/Win32Testing.h"
#include "ui/win32/Desktop.h"

namespace pixferry::win32::testing {
namespace {

using pixferry::testing::MakeFolders;
using pixferry::testing::ReadFile;
using pixferry::testing::WriteFile;

class MessageBoxTest : public ::testing::Test {
 protected:
  ProgramFixture p{/*with_card=*/false};
};

TEST_F(MessageBoxTest, AQuestionShowsYesAndNoAndItsIconAndReturnsTheAnswer) {
  p.Start();
  p.answers.Then(DialogAnswerer::Press(IDNO));
  p.answers.Then(DialogAnswerer::Press(IDYES));
  const int style = mb::kYesNo + mb::kQuestion;
  EXPECT_EQ(p.program->desktop.MsgBox("Delete all?", style, "Cleanse"), mb::kAnswerNo);
  EXPECT_EQ(p.program->desktop.MsgBox("Delete all?", style, "Cleanse"), mb::kAnswerYes);
  ASSERT_EQ(p.answers.seen.size(), 2u);
  const DialogSeen& box = p.answers.seen[0];
  EXPECT_EQ(box.title, "Cleanse");
  EXPECT_EQ(box.text, "Delete all?");
  EXPECT_TRUE(box.has_yes);
  EXPECT_TRUE(box.has_no);
  EXPECT_TRUE(box.has_icon);
  // Modal to the window that was active.
  EXPECT_EQ(box.owner, p.Main());
}

TEST_F(MessageBoxTest, AnEmptyTitleShowsTheProgramsNameAndTextIsPlain) {
  p.Start();
  p.answers.Then(DialogAnswerer::Press(IDOK));
  EXPECT_EQ(p.program->desktop.MsgBox("53 File not found: a&b <i>.jpg", mb::kOkOnly, ""),
            mb::kAnswerOk);
  ASSERT_EQ(p.answers.seen.size(), 1u);
  EXPECT_EQ(p.answers.seen[0].title, "Pixferry");
  EXPECT_EQ(p.answers.seen[0].text, "53 File not found: a&b <i>.jpg");
  EXPECT_TRUE(p.answers.seen[0].has_ok);
  EXPECT_FALSE(p.answers.seen[0].has_yes);
  EXPECT_FALSE(p.answers.seen[0].has_icon);
}

TEST_F(MessageBoxTest, EachIconStyleShowsAnIcon) {
  p.Start();
  for (const int icon : {mb::kStop, mb::kQuestion, mb::kExclamation, mb::kInformation}) {
    p.answers.Then(DialogAnswerer::Press(IDOK));
    EXPECT_EQ(p.program->desktop.MsgBox("x", icon, "Error!"), mb::kAnswerOk);
  }
  ASSERT_EQ(p.answers.seen.size(), 4u);
  for (const DialogSeen& box : p.answers.seen) EXPECT_TRUE(box.has_icon) << box.title;
}

TEST_F(MessageBoxTest, TheViewerOwnsTheBoxWhenItIsTheActiveWindow) {
  p.Start();
  p.program->viewer_window.Show(&p.program->main_window);
  ASSERT_EQ(::GetActiveWindow(), p.Viewer());
  p.answers.Then(DialogAnswerer::Press(IDOK));
  p.program->desktop.MsgBox("x", mb::kOkOnly, "");
  ASSERT_EQ(p.answers.seen.size(), 1u);
  EXPECT_EQ(p.answers.seen[0].owner, p.Viewer());
}

TEST(StartUpErrorBox, AMissingSettingsFileIsReportedInFormLoadAndTheWindowStillOpens) {
  TempDir dir;
  pixferry::testing::ScopedCurrentDirectory cd(dir.path());
  DialogAnswerer answers;
  answers.Then(DialogAnswerer::Press(IDOK));
  {
    Program program(::GetModuleHandleW(nullptr));
    program.Start();
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].text, "53 File not found in Form_Load");
    EXPECT_EQ(answers.seen[0].title, "Pixferry");
    EXPECT_TRUE(::IsWindowVisible(program.main_window.hwnd()));
    EXPECT_EQ(program.txtMessage.Text(), "");
  }
  Pump();
  DiscardQuit();
}

class PickFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFolders(dir / "DCIM/100MEDIA");
    MakeFolders(dir / "DCIM/101MEDIA");
  }
  TempDir dir;
  DialogAnswerer answers;
};

// The text of every static control of the dialog, one after the other.
std::string StaticTexts(HWND dialog) {
  std::string texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "Static") texts += WindowTextOf(child) + "|";
  }
  return texts;
}

TEST_F(PickFolderTest, OpensOnTheStartFolderAndReturnsItWhenConfirmed) {
  const std::string start = dir / "DCIM/100MEDIA";
  std::string shown;
  answers.Then([&](HWND dialog) {
    shown = StaticTexts(dialog);
    DialogAnswerer::Press(IDOK)(dialog);
  });
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, start, "Locate Your Photos Folder"), start);
  EXPECT_NE(shown.find("Locate Your Photos Folder"), std::string::npos) << shown;
}

TEST_F(PickFolderTest, ACancelReturnsTheEmptyText) {
  answers.Then(DialogAnswerer::Press(IDCANCEL));
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, dir / "DCIM", "t"), "");
  EXPECT_EQ(answers.seen.size(), 1u);
}

TEST_F(PickFolderTest, AMissingOrEmptyStartFolderStillOpensTheDialog) {
  answers.Then(DialogAnswerer::Press(IDCANCEL));
  answers.Then(DialogAnswerer::Press(IDCANCEL));
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, dir / "nothere", "t"), "");
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, "", "t"), "");
  EXPECT_EQ(answers.seen.size(), 2u);
}

TEST_F(PickFolderTest, AFolderNameOutsideTheAnsiCodePageIsSelectedAsWell) {
  const std::string start = dir / "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB \xE6\x97\xA5";
  MakeFolders(start);
  answers.Then(DialogAnswerer::Press(IDOK));
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, start, "t"), start);
}

TEST_F(PickFolderTest, ADriveRootKeepsItsSeparator) {
  answers.Then(DialogAnswerer::Press(IDOK));
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, "Z:\\", "t"), "Z:\\");
}

TEST(CallbackAddress, ReturnsTheAddressUnchanged) {
  EXPECT_EQ(mdlBrowseFolderByPath::CallbackAddress(&mdlBrowseFolderByPath::PickFolderCallback),
            &mdlBrowseFolderByPath::PickFolderCallback);
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolderCallback(nullptr, BFFM_SELCHANGED, 0, 0), 0);
}

// argdump.exe, built beside this test program.
std::string ArgDump() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"argdump.exe";
  return Narrow(path);
}

TEST(OpenWithProgramTest, ThePhotoArrivesAsOneArgumentInTheWorkingFolderMaximised) {
  TempDir dir;
  const std::string photo = dir / "Case 12/my photo \xC3\xA9.jpg";
  WriteFile(photo, pixferry::testing::JpegBytes());
  Win32Form unused(::GetModuleHandleW(nullptr), MainFormLayout(), FormStyle{});
  Win32Desktop desktop(unused);
  desktop.OpenWithProgram(ArgDump(), photo, dir.path());
  const std::string result = dir / "args.txt";
  ASSERT_TRUE(PumpUntil([&] { return pixferry::testing::Exists(result); }, 20000))
      << "the program did not start";
  EXPECT_EQ(ReadFile(result), "argc=2\narg=" + photo + "\ncwd=" + dir.path() + "\nshow=" +
                                  std::to_string(SW_SHOWMAXIMIZED) + "\n");
}

}  // namespace
}  // namespace pixferry::win32::testing
