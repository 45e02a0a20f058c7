// The desktop services on real Win32: message boxes, the shell's folder dialog with its
// pre-selection, starting a program on a photo, and loading pictures.
#include "ui/win32/Desktop.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "tests/win32/Win32Testing.h"
#include "ui/win32/PickFolder.h"

namespace pixferry::win32::testing {
namespace {

using namespace pixferry::testing;

// Return answers the default button: No where it is the default (Delete's question about photos
// without a verified copy), Yes otherwise.
TEST(MessageBoxTest, StyleTitleAndOwnerReachTheBoxAndTheAnswerComesBack) {
  ProgramFixture p{/*with_card=*/false};
  for (const int id :
       {IDNO, IDOK, IDOK, DialogAnswerer::kPressReturn, DialogAnswerer::kPressReturn})
    p.answers.Then(id);
  Desktop& desktop = p.program->desktop;
  EXPECT_EQ(desktop.MsgBox("Delete all?", mb::kYesNo + mb::kQuestion, "Delete?"), mb::kAnswerNo);
  // Plain text, and no title of its own shows the program's.
  EXPECT_EQ(desktop.MsgBox("53 File not found: a&b <i>.jpg", mb::kOkOnly, ""), mb::kAnswerOk);
  // Modal to the viewer while it is the active window.
  p.program->viewer_window.Show(&p.program->main_window);
  desktop.MsgBox("x", mb::kOkOnly + mb::kExclamation, "Error!");
  ASSERT_EQ(p.answers.seen.size(), 3u);
  EXPECT_EQ(p.answers.seen[0].owner, p.Main());
  const DialogSeen& plain = p.answers.seen[1];
  EXPECT_EQ(plain.title, "Pixferry");
  EXPECT_EQ(plain.text, "53 File not found: a&b <i>.jpg");
  EXPECT_FALSE(plain.has_yes || plain.has_icon);
  EXPECT_TRUE(p.answers.seen[2].has_icon);
  EXPECT_EQ(p.answers.seen[2].owner, p.Viewer());
  EXPECT_EQ(desktop.MsgBox("1 photo or video has no verified copy.  Delete anyway?",
                           mb::kYesNo + mb::kExclamation + mb::kDefaultButton2, "Not copied"),
            mb::kAnswerNo);
  EXPECT_EQ(desktop.MsgBox("Delete all?", mb::kYesNo + mb::kQuestion, "Delete?"), mb::kAnswerYes);
  EXPECT_EQ(p.answers.seen[3].title, "Not copied");
}

TEST(PickFolderTest, OpensWithTheTitleOnTheStartFolderSelectedAndReturnsWhatIsChosen) {
  TempDir dir;
  DialogAnswerer answers;
  // A name outside the ANSI code page is found as well (the wide calls); a drive root keeps its
  // separator.
  const std::string unicode = "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB \xE6\x97\xA5";
  for (const std::string& start : {dir / "DCIM/100MEDIA", dir / unicode, std::string("C:\\")}) {
    SCOPED_TRACE(start);
    MakeFolders(start);
    // Wine's dialog now and then fails to walk its tree to a folder made moments before (one pick
    // in five here), so a pick is tried again; a callback that never selects fails every try.
    std::string result;
    for (int attempt = 0; attempt < 6 && result != start; ++attempt) {
      answers.Then(IDOK);
      result = mdlBrowseFolderByPath::PickFolder(nullptr, start, "Locate Your Photos Folder");
    }
    EXPECT_EQ(result, start);
    EXPECT_EQ(answers.seen.back().text, "Locate Your Photos Folder");
  }
  // A missing start folder still opens the dialog; Cancel gives the empty text.
  answers.Then(IDCANCEL);
  EXPECT_EQ(mdlBrowseFolderByPath::PickFolder(nullptr, dir / "nothere", "t"), "");
}

TEST(OpenWithProgramTest, ThePhotoArrivesAsOneArgumentInTheWorkingFolderMaximised) {
  // Quoted, unlike a bare path that a space would split into several words.
  TempDir dir;
  const std::string photo = dir / "Case 12/my photo \xC3\xA9.jpg";
  WriteFile(photo, JpegBytes());
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::string argdump = Narrow(self).substr(0, Narrow(self).rfind('\\')) + "\\argdump.exe";
  Win32Form unused(::GetModuleHandleW(nullptr), MainFormLayout(), FormStyle{});
  Win32Desktop(unused).OpenWithProgram(argdump, photo, dir.path());
  for (int i = 0; i < 2000 && !Exists(dir / "args.txt"); ++i) Pump(10);
  const std::wstring expected = Widen("argc=2\narg=" + photo + "\ncwd=" + dir.path() +
                                      "\nshow=" + std::to_string(SW_SHOWMAXIMIZED) + "\n");
  EXPECT_EQ(ReadFile(dir / "args.txt"),
            std::string(reinterpret_cast<const char*>(expected.data()), expected.size() * 2));
}

TEST(PictureTest, FailuresGiveTheirNumbersAndThePreviousPictureStays) {
  GdiplusSession gdiplus;
  TempDir dir;
  Win32PictureBox box;
  auto error_of_load = [&](const std::string& name) {
    try {
      box.LoadPicture(dir / name);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(error_of_load("missing.jpg"), err::kFileNotFound);
  const std::string good = "\xE6\x97\xA5 \xD0\x96.jpg";  // a name outside the code page
  WriteFile(dir / good, JpegBytes());
  EXPECT_EQ(error_of_load(good), 0);
  ASSERT_TRUE(box.HasPicture());
  WriteFile(dir / "cut.jpg", JpegBytes().substr(0, 20));
  EXPECT_EQ(error_of_load("cut.jpg"), err::kInvalidPicture);
  EXPECT_TRUE(box.HasPicture());
}

}  // namespace
}  // namespace pixferry::win32::testing
