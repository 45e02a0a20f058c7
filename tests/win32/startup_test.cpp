// `pixferry.exe Z:\path\to\card`: the card named on the command line, with the settings in
// %APPDATA%\Pixferry, and a card that cannot be read refused with the system's reason.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/files.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry::win32::testing {
namespace {

using namespace pixferry::testing;

TEST(CommandLine, GivesTheWordsAfterTheProgramsNameAsUtf8) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(CommandLineArguments(L"pixferry.exe"), Words{});
  EXPECT_EQ(CommandLineArguments(L""), Words{});
  EXPECT_EQ(CommandLineArguments(L"pixferry.exe Z:\\tmp\\card"), Words{"Z:\\tmp\\card"});
  EXPECT_EQ(CommandLineArguments(L"pixferry.exe \"E:\\Caf\u00E9 1\" F:\\"),
            (Words{"E:\\Caf\xC3\xA9 1", "F:\\"}));
}

struct CardStart {
  CardStart() {
    WriteFile(dir / "card/DCIM/100MEDIA/IMG_0001.JPG", JpegBytes());
    MakeFolders(dir / "Cases");
  }
  ~CardStart() { EndProgram(program); }
  std::string Home() const { return dir / "AppData/Pixferry"; }

  TempDir dir;
  bool started_made = (MakeFolders(dir / "started"), true);
  ScopedCurrentDirectory cd{dir / "started"};
  ScopedEnv appdata{"APPDATA", (dir / "AppData").c_str()};
  DialogAnswerer answers;
  std::unique_ptr<Program> program = std::make_unique<Program>(::GetModuleHandleW(nullptr));
};

// The first start from a card, before the settings folder holds a paths.dat: the settings folder
// is made in %APPDATA% and worked from, and the folder dialog asks where case folders go, on the
// user's Pictures folder. Cancel goes on to list the card and saves nothing.
TEST(CardArgument, TheFirstStartAsksWhereCaseFoldersGoAndListsTheCard) {
  CardStart s;
  ASSERT_TRUE(s.program->TakeArguments({s.dir / "card\\"}));
  EXPECT_EQ(CurrentFolder(), s.Home());
  s.answers.Then(IDCANCEL);
  s.program->Start(SW_SHOWNORMAL);
  Pump(50);
  ASSERT_EQ(s.answers.seen.size(), 1u);
  EXPECT_EQ(s.answers.seen[0].text, "Choose where case folders go");
  EXPECT_EQ(s.program->txtSource.Text(), "IMG_0001.JPG");
  for (const std::string& folder : {s.Home(), s.dir / "started", s.dir / "card"}) {
    EXPECT_FALSE(Exists(folder + "\\paths.dat")) << folder;
  }
  const std::string pictures = s.program->desktop.PicturesFolder();
  EXPECT_TRUE(pictures.ends_with("\\Pictures")) << pictures;
  EXPECT_EQ(pictures.substr(0, pictures.rfind('\\')), s.program->desktop.HomeFolder());
}

TEST(CardArgument, ACardThatCannotBeReadIsRefusedWithTheSystemsReason) {
  CardStart s;
  WriteFile(s.dir / "file", "not a folder");
  for (const std::string& card : {s.dir / "gone", s.dir / "file"}) {
    SCOPED_TRACE(card);
    s.answers.seen.clear();
    s.answers.Then(IDOK);
    EXPECT_FALSE(s.program->TakeArguments({card}));
    Pump(50);
    ASSERT_EQ(s.answers.seen.size(), 1u);
    const DialogSeen& box = s.answers.seen[0];
    const std::string opening = "The card folder " + card + " cannot be read: ";
    EXPECT_EQ(box.text.substr(0, opening.size()), opening);
    EXPECT_GT(box.text.size(), opening.size() + 2);  // the reason
    // ...without the line break and full stop the system's words end with.
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(box.text.end()[-2])) &&
                box.text.back() == '.')
        << box.text;
    EXPECT_EQ(CurrentFolder(), s.dir / "started");
    EXPECT_FALSE(Exists(s.dir / "AppData"));
  }
}

}  // namespace
}  // namespace pixferry::win32::testing
