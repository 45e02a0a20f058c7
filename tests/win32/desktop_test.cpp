// The desktop services on real Win32: message boxes answered from inside their modal loop, the
// shell's folder dialog with its pre-selection, and starting a program on a photo.
#include "ui/win32/Desktop.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/win32/wide.h"
#include "shell/win32/PickFolder.h"
#include "tests/support/tempdir.h"
#include "tests/win32/Win32Testing.h"

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

  // Opens the dialog on start and presses OK once the tree shows leaf selected. Wine's dialog now
  // and then fails to walk its tree to a folder made moments before (measured: about one pick in
  // five here, never for folders that existed earlier), so a pick that shows no selection is
  // tried again; a callback that never selects fails every try.
  std::string PickSelected(const std::string& start, const std::string& title,
                           const std::string& leaf, std::string* shown = nullptr) {
    std::string result;
    for (int attempt = 0; attempt < 6; ++attempt) {
      std::string selected;
      const DialogAnswerer::Action ok = DialogAnswerer::PressOkOnceSelected(leaf, &selected);
      answers.Then([&](HWND dialog) {
        if (shown) *shown = StaticTexts(dialog);
        return ok(dialog);
      });
      result = mdlBrowseFolderByPath::PickFolder(nullptr, start, title);
      if (selected == leaf) return result;
    }
    ADD_FAILURE() << "the dialog never showed " << leaf << " selected";
    return result;
  }

  // The text of every static control of the dialog, one after the other.
  static std::string StaticTexts(HWND dialog) {
    std::string texts;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (ClassOf(child) == "Static") texts += WindowTextOf(child) + "|";
    }
    return texts;
  }

  TempDir dir;
  DialogAnswerer answers;
};

TEST_F(PickFolderTest, OpensOnTheStartFolderAndReturnsItWhenConfirmed) {
  const std::string start = dir / "DCIM/100MEDIA";
  std::string shown;
  EXPECT_EQ(PickSelected(start, "Locate Your Photos Folder", "100MEDIA", &shown), start);
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
  const std::string name = "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB \xE6\x97\xA5";
  const std::string start = dir / name;
  MakeFolders(start);
  EXPECT_EQ(PickSelected(start, "t", name), start);
}

TEST_F(PickFolderTest, ADriveRootKeepsItsSeparator) {
  EXPECT_EQ(PickSelected("C:\\", "t", "(C:)"), "C:\\");
}

// A window that writes down the messages it is sent.
struct SentMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

LRESULT CALLBACK RecordMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* log =
      reinterpret_cast<std::vector<SentMessage>*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (log && message >= WM_USER) log->push_back({message, wparam, lparam});
  return ::DefWindowProcW(window, message, wparam, lparam);
}

TEST(PickFolderCallback, SelectsTheStartFolderByPathWhenTheDialogIsReadyAndIgnoresTheRest) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &RecordMessage;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PixferryRecorder";
  ::RegisterClassW(&wc);
  const HWND window = ::CreateWindowW(L"PixferryRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  std::vector<SentMessage> sent;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&sent));
  const wchar_t start[] = L"E:\\DCIM\\100MEDIA";
  const auto data = reinterpret_cast<LPARAM>(start);

  using mdlBrowseFolderByPath::PickFolderCallback;
  EXPECT_EQ(PickFolderCallback(window, BFFM_SELCHANGED, 0, data), 0);
  EXPECT_EQ(PickFolderCallback(window, BFFM_VALIDATEFAILEDW, 0, data), 0);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(PickFolderCallback(window, BFFM_INITIALIZED, 0, data), 0);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, static_cast<UINT>(BFFM_SETSELECTIONW));
  EXPECT_EQ(sent[0].wparam, static_cast<WPARAM>(TRUE));  // a path, not an item list
  EXPECT_EQ(sent[0].lparam, data);
  ::DestroyWindow(window);
}

TEST(CallbackAddress, ReturnsTheAddressUnchanged) {
  EXPECT_EQ(mdlBrowseFolderByPath::CallbackAddress(&mdlBrowseFolderByPath::PickFolderCallback),
            &mdlBrowseFolderByPath::PickFolderCallback);
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
  EXPECT_EQ(ReadFile(result), "argc=2\narg=" + photo + "\ncwd=" + dir.path() +
                                  "\nshow=" + std::to_string(SW_SHOWMAXIMIZED) + "\n");
}

}  // namespace
}  // namespace pixferry::win32::testing
