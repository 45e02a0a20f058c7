// Start-up: the settings, the card folder, and the cleaning after a killed run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/StartupFolders.h"
#include "app/frmMain.h"
#include "platform/cases_in_progress.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_names.h"
#include "platform/userfolders.h"
#include "tests/support/fakes.h"
#include "tests/support/faults.h"
#include "tests/support/namespaces.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Paths = std::vector<std::string>;

constexpr std::string_view kSourceSet =
    "Source list is set.  If you have files shown in the 'Source' box, you can click 'Start' to "
    "copy them.  Otherwise, click 'Set Source' to select another photo source.";
constexpr std::string_view kNoPhotos =
    "It seems there are no photos on this card where they should be.  Click the 'Set Source' and "
    "see if you can locate them.  If not, the card may be empty.";
constexpr std::string_view kClickSetSource =
    "Click 'Set Source' to begin and locate the folder where your photos are located.";

TEST(Startup, OnlyACardFolderWithExactlyOneFolderBelowItBecomesTheSource) {
  struct Layout {
    std::vector<const char*> files;
    std::string_view message;
    const char* source;  // nullptr: the earlier source stays
  };
  const Layout layouts[] = {
      {{"DCIM/100MEDIA/IMG_0002.JPG", "DCIM/100MEDIA/IMG_0001.JPG"}, kSourceSet, "DCIM/100MEDIA"},
      // A hidden folder beside the photo folder is neither counted nor entered.
      {{"DCIM/100MEDIA/IMG_0001.JPG", "DCIM/.t/inner/IMG_0001.JPG"}, kSourceSet, "DCIM/100MEDIA"},
      // The "SOURCE is empty" fragment the list appends is replaced.
      {{"DCIM/100MEDIA/.hidden.jpg"}, kNoPhotos, "DCIM/100MEDIA"},
      {{"Photos/100MEDIA/IMG_0001.JPG"}, kClickSetSource, nullptr},
      {{"DCIM/100MEDIA/IMG_0001.JPG", "DCIM/101MEDIA/IMG_0001.JPG"}, kClickSetSource, nullptr},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.files.back());
    TempDir dir;
    Harness h;
    frmMain& f = *h.form;
    ScopedCurrentDirectory cd(dir.path());  // start-up in the card folder (left before dir goes)
    // Record 4 is missing: it reads as empty and start-up goes on.
    WriteFile(dir / "paths.dat",
              RecordBytes("/srv/Cases") + RecordBytes("Internal") + RecordBytes("True"));
    for (const std::string name : layout.files) {
      WriteFile(dir / name, "x");
      // Windows hides a name by its attribute, not by its leading dot (one a path here).
      const std::size_t dot = name.find("/.");
      if (dot != std::string::npos) HideOnWindows(dir / name.substr(0, name.find('/', dot + 1)));
    }
    f.strSourcePath = "/media/earlier";
    f.Form_Load();
    EXPECT_TRUE(h.desktop.boxes.empty());
    EXPECT_EQ(f.strSavePath + f.strMediaProgram + f.strLocalSwitch, "/srv/CasesInternalTrue");
    EXPECT_EQ(f.strRenameSwitch, "");
    EXPECT_TRUE(h.viewer_window.loaded && !h.viewer_window.visible);  // created hidden
    EXPECT_EQ(h.txtMessage.text, layout.message);
    EXPECT_EQ(f.strSourcePath, layout.source ? dir / layout.source : "/media/earlier");
    EXPECT_EQ(h.txtSource.text, layout.message == kSourceSet ? "IMG_0001.JPG" : "");
    EXPECT_EQ(h.SourceButtonsEnabled(), layout.message == kSourceSet);
  }
}

// A hidden temporary copy, as a run killed midway leaves it.
std::string LeaveTemporary(const std::string& folder, std::uint64_t random) {
  const std::string path = folder + kSep + TemporaryName(12, random);
  WriteFile(path, "part of a photo");
  HideOnWindows(path);
  return NameOf(path);
}

// Killed runs into A, B and D, a live one into C: the next start removes every temporary no run
// holds, in the case folders and in the destination root, and drops the marks of folders left
// clean or removed since; a live run's temporary and mark stay until it lets them go.
TEST(CasesInProgress, TheNextStartRemovesWhatKilledRunsLeft) {
  TempDir home, destination;
  const std::string settings = home / "pixferry";
  const CasesInProgress cases(settings);
  for (const char* folder : {"A", "B", "D"}) {
    MakeFolders(destination / folder);
    cases.Begin(destination / folder);  // gone without End, as with a run killed midway
  }
  WriteFile(destination / "A/IMG_0001.JPG", "a photo");
  LeaveTemporary(destination / "A", 1);
  LeaveTemporary(destination.path(), 2);  // a hash list's
  LeaveTemporary(destination / "B", 3);
  const std::string held = LeaveTemporary(destination / "B", 4);
  std::optional<HeldLock> lock(std::in_place, destination / "B" + kSep + held);
  ASSERT_TRUE(lock->ok());
  MakeFolders(destination / "C");
  CaseInProgress live = cases.Begin(destination / "C");
  LeaveTemporary(destination / "C", 5);
  GuardDeletion(destination / "D");
  std::filesystem::remove_all(FileSystemPath(destination / "D"));

  EXPECT_EQ(CasesInProgress(settings).CleanLeftBehind(), 4);
  EXPECT_EQ(AllNames(destination / "A"), Names{"IMG_0001.JPG"});
  EXPECT_EQ(AllNames(destination / "B"), Names{held});
  EXPECT_EQ(AllNames(destination / "C"), Names{});
  EXPECT_EQ(AllNames(destination.path()), (Names{"A", "B", "C"}));
  EXPECT_EQ(AllNames(settings).size(), 2u) << "B's and the live run's marks";

  lock.reset();
  live.End();
  EXPECT_EQ(CasesInProgress(settings).CleanLeftBehind(), 1);
  EXPECT_EQ(AllNames(destination / "B"), Names{});
  EXPECT_EQ(AllNames(settings), Names{});
}

// The variable that names the folder above the user's settings folder.
#ifdef _WIN32
constexpr const char* kSettingsHome = "APPDATA";
#else
constexpr const char* kSettingsHome = "XDG_CONFIG_HOME";
#endif

// Start-up cleans up after a killed run into a case folder no later Start uses; with no job run,
// the settings folder is not even made.
TEST(CasesInProgress, StartUpCleansUpAndWritesNothing) {
  TempDir home, card, destination;
  WriteFile(card / "paths.dat", RecordBytes(destination.path()));
  ScopedCurrentDirectory in_card(card.path());
  for (const bool killed_run : {true, false}) {
    const ScopedEnv settings(kSettingsHome, (home / (killed_run ? "killed" : "none")).c_str());
    std::string folder, reason;
    ASSERT_EQ(PerUserSettingsFolder(folder, reason), 0) << reason;
    if (killed_run) {
      MakeFolders(destination / "1_A_2026-12-07");
      CasesInProgress(folder).Begin(destination / "1_A_2026-12-07");
      LeaveTemporary(destination / "1_A_2026-12-07", 1);
    }
    Harness h;
    h.form->Form_Load();
    EXPECT_EQ(AllNames(destination / "1_A_2026-12-07"), Names{});
    EXPECT_EQ(AllNames(folder), Names{});
  }
  EXPECT_EQ(AllNames(home.path()), Names{"killed"});
}

#ifndef _WIN32
// Every entry below folder, hidden ones included: what a start must leave as it found it.
Paths Tree(const std::string& folder) {
  Paths entries;
  for (const auto& e : fs::recursive_directory_iterator(folder)) entries.push_back(e.path());
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Started from the menu or a desktop's "open with": the card is the one argument, the start-up
// folder is elsewhere, and the settings live in the user's settings folder.
class CardArgument : public ::testing::Test {
 protected:
  CardArgument() {
    WriteFile(dir / "card/DCIM/100MEDIA/IMG_0001.JPG", "one");
    WriteFile(dir / "card/DCIM/100MEDIA/IMG_0002.JPG", "two");
    MakeFolders(dir / "cases");
  }

  // As the program starts: the folders from the arguments, and the card handed to the window.
  static StartupFolders Prepare(const Paths& arguments, Harness& on) {
    StartupFolders folders = PrepareStartupFolders(arguments, on.desktop);
    on.form->strCardDirectory = folders.card;
    return folders;
  }
  StartupFolders Prepare(const Paths& arguments) { return Prepare(arguments, h); }
  std::string Home() const { return dir / "config/pixferry"; }
  // A request typed and Start pressed: the card's photos go to cases/7_Desk_2008-01-01.
  static void Copy(Harness& on) {
    on.txtIncidentNumber.text = "7";
    on.txtUser.text = "Desk";
    on.txtDate.text = "1/1/08";
    on.form->cmdStartCopy_Click();
  }

  TempDir dir;
  bool started_made = (MakeFolders(dir / "started"), true);
  ScopedCurrentDirectory cd{dir / "started"};
  ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
  Harness h;
  frmMain& f = *h.form;
};

// The first start from the card, with no paths.dat in the settings folder yet: instead of an
// error, the picker asks where case folders go, opening on the user's Pictures folder (else the
// home folder). A folder chosen is saved as "Save " saves it; whatever the answer, start-up goes
// on and lists the card, and writes nothing on it or where it was started.
TEST_F(CardArgument, TheFirstStartAsksWhereCaseFoldersGoAndListsTheCard) {
  const std::string cases = dir / "cases";
  for (const bool chosen : {true, false}) {  // the Pictures folder exists only for the first
    SCOPED_TRACE(chosen);
    const ScopedCurrentDirectory back(dir / "started");
    const std::string row = dir / (chosen ? "chosen" : "cancelled");
    const ScopedEnv row_config{"XDG_CONFIG_HOME", (row + "/config").c_str()};
    const std::string home = row + "/config/pixferry";
    MakeFolders(row + (chosen ? "/home/Pictures" : "/home"));
    const Paths card_before = Tree(dir / "card");
    Harness first;
    first.desktop.pictures = row + "/home/Pictures";
    first.desktop.home = row + "/home";
    first.desktop.picks = {chosen ? cases : "", ""};
    ASSERT_TRUE(Prepare({dir / "card"}, first).ok);
    EXPECT_EQ(CurrentFolder(), home);  // made, and made current
    first.form->Form_Load();
    ASSERT_EQ(first.desktop.pick_calls.size(), 1u);
    EXPECT_EQ(first.desktop.pick_calls[0].title, "Choose where case folders go");
    EXPECT_EQ(first.desktop.pick_calls[0].start_folder,
              first.desktop.home + (chosen ? "/Pictures" : ""));
    EXPECT_EQ(first.desktop.boxes,
              (chosen ? Boxes{{"Destination set to " + cases, 64, "Destination"}} : Boxes{}));
    EXPECT_EQ(ReadFile(home + "/paths.dat"),
              chosen ? RecordBytes(cases) + RecordBytes("") + RecordBytes("") + RecordBytes("False")
                     : "");
    EXPECT_EQ(first.form->strSourcePath, dir / "card/DCIM/100MEDIA");
    first.desktop.boxes.clear();
    Copy(first);
    EXPECT_EQ(first.desktop.boxes.empty(), chosen);  // without a destination Start names it
    EXPECT_EQ(Tree(dir / "card"), card_before);
    EXPECT_TRUE(fs::is_empty(dir / "started"));
  }
  EXPECT_EQ(ReadFile(cases + "/7_Desk_2008-01-01/IMG_0002.JPG"), "two");
}

// A write-protected card, named relative to the folder started in: it is found once the settings
// folder is current, and everything a job does works, since nothing is written on it.
TEST_F(CardArgument, AReadOnlyCardNamedRelativelyIsCopiedAsAnyOther) {
  EXPECT_EQ(InMountNamespace(Expecting([&] {
              ASSERT_EQ(MountReadOnly(dir / "card"), "");
              ASSERT_NE(::access((dir / "card").c_str(), W_OK), 0) << "not read-only after all";
              ASSERT_TRUE(Prepare({"../card/"}).ok);
              WriteFile(Home() + "/paths.dat", RecordBytes(dir / "cases"));
              f.Form_Load();
              EXPECT_EQ(f.strSourcePath, dir / "started/../card/DCIM/100MEDIA");
              Copy(h);
              EXPECT_EQ(h.desktop.boxes, Boxes{});
              EXPECT_EQ(ReadFile(dir / "cases/7_Desk_2008-01-01/IMG_0001.JPG"), "one");
            })),
            "");
}

// The box names what is wrong and the system's reason; nothing is made and the directory stays.
TEST_F(CardArgument, AStartThatCannotGoOnEndsWithItsReason) {
  const std::pair<Paths, std::string> refused[] = {
      {{dir / "missing"},
       "The card folder " + dir / "missing" + " cannot be read: No such file or directory."},
      {{dir / "card", dir / "started"},
       "Pixferry takes one folder, the root of the camera card, and was given 2."},
      // With a file where the folder above the settings folder should be.
      {{dir / "card"}, "The settings folder " + Home() + " cannot be made: Not a directory."},
  };
  for (const auto& [arguments, text] : refused) {
    SCOPED_TRACE(text);
    ASSERT_FALSE(Exists(dir / "config"));
    if (&text == &refused[2].second) WriteFile(dir / "config", "a file");
    h.desktop.boxes.clear();
    EXPECT_FALSE(Prepare(arguments).ok);
    EXPECT_EQ(h.desktop.boxes, (Boxes{{text, 16, ""}}));
    EXPECT_EQ(CurrentFolder(), dir / "started");
  }

  // A card named from a folder removed since the start: its reason, no crash.
  MakeFolders(dir / "gone");
  ScopedCurrentDirectory in(dir / "gone");
  fs::remove(dir / "gone");
  h.desktop.boxes.clear();
  EXPECT_FALSE(Prepare({"card"}).ok);
  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{"The card folder card cannot be read: File not found.", 16, ""}}));
}

// Without an argument, a folder holding a card's DCIM or paths.dat is worked in as always (a card
// without paths.dat stops start-up after one box, and reading creates none). Any other folder (the
// home folder a menu starts in) only has its DCIM looked for: the settings live in the user's
// folder, as with a card, and nothing is written where Pixferry started.
TEST_F(CardArgument, WithoutAnArgumentOnlyACardOrSettingsFolderIsWorkedIn) {
  struct Start {
    const char* holds;  // in the folder started in; nullptr: nothing
    Boxes boxes;
    std::string_view message;
  };
  const Start starts[] = {
      {nullptr, {}, kClickSetSource},
      {"DCIM/100MEDIA/IMG_0001.JPG", {{"53 File not found in Form_Load", 0, ""}}, ""},
      {"paths.dat", {}, kClickSetSource},
  };
  for (const Start& start : starts) {
    SCOPED_TRACE(start.holds ? start.holds : "nothing");
    const std::string started = dir / ("from " + std::to_string(&start - starts));
    MakeFolders(started);
    if (start.holds) WriteFile(started + "/" + start.holds, RecordBytes("/srv/Cases"));
    ScopedCurrentDirectory in(started);
    const Paths started_before = Tree(started);
    Harness menu;
    menu.desktop.home = started;
    menu.desktop.picks = {"", ""};  // where case folders go, then Set Source: Cancel both

    const StartupFolders folders = Prepare({}, menu);
    ASSERT_TRUE(folders.ok);
    EXPECT_EQ(folders.card, start.holds ? "" : started);
    EXPECT_EQ(CurrentFolder(), start.holds ? started : Home());
    menu.form->Form_Load();
    EXPECT_EQ(menu.desktop.boxes, start.boxes);
    EXPECT_EQ(menu.viewer_window.loaded, start.boxes.empty());  // a failed start stops at once
    EXPECT_EQ(menu.txtMessage.text, start.message);
    menu.form->cmdSource_Click();  // the picker opens where Pixferry was started
    ASSERT_EQ(menu.desktop.pick_calls.size(), start.holds ? 1u : 2u);
    EXPECT_EQ(menu.desktop.pick_calls.back().start_folder,
              started + (start.holds && *start.holds == 'D' ? "/DCIM" : ""));
    EXPECT_EQ(Tree(started), started_before);
  }
  EXPECT_EQ(AllNames(Home()), Names{});  // cancelled: nothing saved
}

// The card probe lists a folder and every folder below it, breadth first. A link that leads
// back into the tree would make the walk endless: links to folders are listed but never entered.
TEST(Probe, LinksToFoldersAreListedOnceAndNeverEntered) {
  TempDir dir;
  const std::string dcim = dir / "DCIM", media = dcim + kSep + "100MEDIA";
  MakeFolders(media);
  fs::create_directory_symlink("..", media + "/up");
  fs::create_directory_symlink(dcim, media + "/self");
  fs::create_symlink("loop", dcim + "/loop");  // leads nowhere: no folder
  Harness h;
  Paths result{"from an earlier call"};  // every call replaces the whole array
  h.form->GetAllSubDirectories(result, dcim);
  std::sort(result.begin() + 3, result.end());
  EXPECT_EQ(result, (Paths{"", dcim, media, media + kSep + "self", media + kSep + "up"}));
}
#endif

}  // namespace
}  // namespace pixferry
