// The case folders in progress: what a killed run left is removed at the next start wherever it
// is, and only that.
#include "platform/cases_in_progress.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/frmMain.h"
#include "platform/paths.h"
#include "platform/temp_names.h"
#include "platform/userfolders.h"
#include "tests/support/fakes.h"
#include "tests/support/faults.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

std::string SettingsFolder() {
  std::string folder, reason;
  EXPECT_EQ(PerUserSettingsFolder(folder, reason), 0) << reason;
  return folder;
}

using namespace testing;

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
  EXPECT_EQ(cases.CleanLeftBehind(), 0);
  EXPECT_FALSE(Exists(settings)) << "nothing is written before a job";
  CaseInProgress ended = cases.Begin(destination / "A");
  EXPECT_EQ(AllNames(settings).size(), 1u);
  ended.End();
  EXPECT_EQ(AllNames(settings), Names{});

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
    if (killed_run) {
      MakeFolders(destination / "1_A_2026-12-07");
      CasesInProgress(SettingsFolder()).Begin(destination / "1_A_2026-12-07");
      LeaveTemporary(destination / "1_A_2026-12-07", 1);
    }
    Harness h;
    h.form->Form_Load();
    EXPECT_EQ(h.form->cases_in_progress.folder(), SettingsFolder());
    EXPECT_EQ(AllNames(destination / "1_A_2026-12-07"), Names{});
    EXPECT_EQ(AllNames(SettingsFolder()), Names{});
  }
  EXPECT_EQ(AllNames(home.path()), Names{"killed"});
}

}  // namespace
}  // namespace pixferry
