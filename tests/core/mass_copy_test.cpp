#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/faults.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::FileSizeLimit;
using testing::Harness;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::RunningAsRoot;
using testing::TempDir;
using testing::UnwritableFolder;
using testing::WriteFile;
using Names = std::vector<std::string>;

constexpr int kOverwriteStyle = 68;  // Yes/No + information
constexpr int kCopyErrorStyle = 20;  // Yes/No + stop

// Every name in a folder, hidden ones included: a leftover temporary file shows here.
Names AllNames(const std::string& folder) {
  Names names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

MessageBoxCall Overwrite(const std::string& name) {
  return {"The file " + name + " already exists. Overwrite?", kOverwriteStyle, "Overwrite?"};
}

[[maybe_unused]] MessageBoxCall CopyError(const std::string& name) {
  return {"There was an error in copying the file " + name +
              ".  Do you want to continue to the next file?",
          kCopyErrorStyle, "Error!"};
}

MessageBoxCall MassCopyError(const std::string& text) {
  return {text + " in StartMassCopy", 48, "Error"};
}

// A card folder and a destination root; the copy request has set its three members.
class MassCopyTest : public ::testing::Test {
 protected:
  MassCopyTest() {
    f.strSavePath = cases.path();
    f.strSourcePath = card.path();
    f.strIncidentNumber = "0815-22";
    f.strUserName = "Desk 4";
    f.strCopyDate = "2008-03-02";
    f.strRenameSwitch = "False";
  }

  // The five files of a typical card folder, plus one that is no photo.
  void WriteCard() {
    WriteFile(card / "IMG_0001.JPG", "photo one");
    WriteFile(card / "IMG_0002.jpg", "photo two");
    WriteFile(card / "clip.MPG", "a clip");
    WriteFile(card / "notes.txt", "notes");
    WriteFile(card / "DSC_0003.Jpg", "mixed case");
  }

  // Lists the source as the copy request does, then copies; gives the error count.
  std::int32_t Run() {
    std::int32_t count = 0;
    std::vector<std::string> files;
    f.SortedFiles(card.path() + kSep, count, files, true, true);
    return RunWith(count, files);
  }
  std::int32_t RunWith(std::int32_t count, const std::vector<std::string>& files) {
    std::int32_t errors = 0;
    f.StartMassCopy(errors, count, files);
    return errors;
  }

  std::string CaseFolder() const { return cases / "0815-22_Desk_4_2008-03-02"; }
  std::string InCase(const std::string& name) const { return CaseFolder() + kSep + name; }

  TempDir card, cases;
  Harness h;
  frmMain& f = *h.form;
};

TEST_F(MassCopyTest, CopiesPhotosAndVideosUnderTheirOwnNames) {
  WriteCard();
  WriteFile(card / "a.JPEG", "jpeg");
  WriteFile(card / "b.mpeg", "mpeg");
  WriteFile(card / "c.JPg", "mixed");
  WriteFile(card / "JPG", "no dot");
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(AllNames(CaseFolder()),
            (Names{"IMG_0001.JPG", "IMG_0002.jpg", "a.JPEG", "b.mpeg", "clip.MPG"}));
  EXPECT_EQ(ReadFile(InCase("IMG_0002.jpg")), "photo two");
  EXPECT_EQ(
      h.txtMessage.refreshed,
      (Names{"Copying Files... IMG_0001.JPG", "Copying Files... IMG_0002.jpg",
             "Copying Files... a.JPEG", "Copying Files... b.mpeg", "Copying Files... clip.MPG"}));
  EXPECT_EQ(f.strSourceFileName, "notes.txt");  // the last file handled, copied or not
}

TEST_F(MassCopyTest, SerialNumbersContinueFromTheFilesTheCaseFolderHolds) {
  WriteCard();
  WriteFile(InCase("report.doc"), "r");
  WriteFile(InCase("zzz.txt"), "z");
  f.strRenameSwitch = "True";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(AllNames(CaseFolder()),
            (Names{"00000003.JPG", "00000004.jpg", "00000005.MPG", "report.doc", "zzz.txt"}));
  EXPECT_EQ(ReadFile(InCase("00000003.JPG")), "photo one");
  EXPECT_EQ(ReadFile(InCase("00000004.jpg")), "photo two");
  EXPECT_EQ(ReadFile(InCase("00000005.MPG")), "a clip");
  EXPECT_EQ(h.txtMessage.refreshed, (Names{"Copying Files... IMG_0001.JPG as 00000003.JPG",
                                           "Copying Files... IMG_0002.jpg as 00000004.jpg",
                                           "Copying Files... clip.MPG as 00000005.MPG"}));
  EXPECT_EQ(f.strTargetPath, CaseFolder());
  EXPECT_EQ(f.strTargetFileName, "notes.txt");
}

TEST_F(MassCopyTest, ATakenSerialIsSkippedAndItsNumberNotReused) {
  WriteFile(card / "IMG_0001.JPG", "new one");
  WriteFile(card / "IMG_0002.jpg", "new two");
  WriteFile(InCase("00000001.JPG"), "old one");
  WriteFile(InCase("00000003.JPG"), "old three");
  f.strRenameSwitch = "True";
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(AllNames(CaseFolder()),
            (Names{"00000001.JPG", "00000003.JPG", "00000004.JPG", "00000005.jpg"}));
  EXPECT_EQ(ReadFile(InCase("00000003.JPG")), "old three");
  EXPECT_EQ(ReadFile(InCase("00000004.JPG")), "new one");
  EXPECT_EQ(ReadFile(InCase("00000005.jpg")), "new two");
}

TEST_F(MassCopyTest, ASecondRunContinuesTheNumbersAndOverwritesNothing) {
  WriteCard();
  f.strRenameSwitch = "True";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_EQ(AllNames(CaseFolder()), (Names{"00000001.JPG", "00000002.jpg", "00000003.MPG",
                                           "00000004.JPG", "00000005.jpg", "00000006.MPG"}));
  EXPECT_EQ(ReadFile(InCase("00000001.JPG")), ReadFile(InCase("00000004.JPG")));
}

TEST_F(MassCopyTest, UnsafeCharactersInTheNameBecomeUnderscores) {
  WriteFile(card / "IMG_0001.JPG", "photo");
  f.strIncidentNumber = "12/34 A";
  f.strUserName = "Desk?4";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(AllNames(cases.path()), Names{"12_34_A_Desk_4_2008-03-02"});
  EXPECT_EQ(f.strIncidentNumber, "12_34_A");
  EXPECT_EQ(f.strUserName, "Desk_4");

#ifndef _WIN32  // ":" and "|" are no characters of a Windows folder name
  f.strIncidentNumber = "a?b%c*d$e\\f/g h:i|j";
  f.strUserName = "u";
  f.strCopyDate = "2008/03/02";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(f.strIncidentNumber, "a_b_c_d_e_f_g_h:i|j");
  EXPECT_EQ(f.strCopyDate, "2008_03_02");
  EXPECT_TRUE(fs::exists(cases / "a_b_c_d_e_f_g_h:i|j_u_2008_03_02/IMG_0001.JPG"));
#endif
}

TEST_F(MassCopyTest, AnExistingNameIsOverwrittenOnlyWhenTheOperatorSaysYes) {
  WriteCard();
  WriteFile(InCase("IMG_0001.JPG"), "kept");
  WriteFile(InCase("IMG_0002.jpg"), "replaced");
  h.desktop.answers = {mb::kAnswerNo, mb::kAnswerYes};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{Overwrite("IMG_0001.JPG"), Overwrite("IMG_0002.jpg")}));
  EXPECT_EQ(ReadFile(InCase("IMG_0001.JPG")), "kept");
  EXPECT_EQ(ReadFile(InCase("IMG_0002.jpg")), "photo two");
  EXPECT_EQ(AllNames(CaseFolder()), (Names{"IMG_0001.JPG", "IMG_0002.jpg", "clip.MPG"}));
}

TEST_F(MassCopyTest, CopyingTheCaseFolderOntoItselfLeavesEveryFileIntact) {
  WriteFile(InCase("IMG_0001.JPG"), "one");
  WriteFile(InCase("IMG_0002.JPG"), "two");
  f.strSourcePath = CaseFolder();
  h.desktop.answers = {mb::kAnswerYes, mb::kAnswerYes};
  std::int32_t count = 0;
  std::vector<std::string> files;
  f.SortedFiles(CaseFolder() + kSep, count, files, true, true);
  EXPECT_EQ(RunWith(count, files), 0);
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{Overwrite("IMG_0001.JPG"), Overwrite("IMG_0002.JPG")}));
  EXPECT_EQ(ReadFile(InCase("IMG_0001.JPG")), "one");
  EXPECT_EQ(ReadFile(InCase("IMG_0002.JPG")), "two");
  EXPECT_EQ(AllNames(CaseFolder()), (Names{"IMG_0001.JPG", "IMG_0002.JPG"}));
}

TEST_F(MassCopyTest, HiddenFilesAreNeitherCountedNorCopied) {
  WriteFile(card / "IMG_0001.JPG", "photo");
  WriteFile(card / ".IMG_0002.JPG", "hidden photo");
  WriteFile(InCase(".pixferry-0123456789abcdef.tmp"), "left by a crash");
  f.strRenameSwitch = "True";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(AllNames(CaseFolder()), (Names{".pixferry-0123456789abcdef.tmp", "00000001.JPG"}));
}

TEST_F(MassCopyTest, AnEmptyListMakesTheCaseFolderAndNothingElse) {
  f.strRenameSwitch = "True";
  EXPECT_EQ(RunWith(0, {std::string()}), 0);
  EXPECT_TRUE(AllNames(CaseFolder()).empty());
  EXPECT_EQ(f.strTargetPath, CaseFolder());
  EXPECT_TRUE(h.desktop.boxes.empty());
  EXPECT_TRUE(h.txtMessage.refreshed.empty());
}

TEST_F(MassCopyTest, ASourceRemovedAfterTheListingEndsTheRun) {
  WriteCard();
  std::int32_t count = 0;
  std::vector<std::string> files;
  f.SortedFiles(card.path() + kSep, count, files, true, true);
  fs::remove(card / "IMG_0002.jpg");
  EXPECT_EQ(RunWith(count, files), 1);
  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{MassCopyError("53 File not found")});
  EXPECT_EQ(AllNames(CaseFolder()), Names{"IMG_0001.JPG"});  // clip.MPG was not reached
}

TEST_F(MassCopyTest, AFailureLateInALargeCardKeepsEveryCopyMadeBeforeIt) {
  constexpr int kFiles = 300;  // more than one group of copies flushed together
  for (int i = 1; i <= kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
    WriteFile(card / name, name);
  }
  std::int32_t count = 0;
  std::vector<std::string> files;
  f.SortedFiles(card.path() + kSep, count, files, true, true);
  fs::remove(card / "IMG_0290.JPG");
  f.strRenameSwitch = "True";
  EXPECT_EQ(RunWith(count, files), 1);
  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{MassCopyError("53 File not found")});
  const Names copies = AllNames(CaseFolder());
  ASSERT_EQ(copies.size(), 289u);
  EXPECT_EQ(copies.front(), "00000001.JPG");
  EXPECT_EQ(copies.back(), "00000289.JPG");
  EXPECT_EQ(ReadFile(InCase("00000289.JPG")), "IMG_0289.JPG");
}

TEST_F(MassCopyTest, ASourceThatCannotBeReadEndsTheRun) {
  WriteFile(card / "IMG_0001.JPG", "photo");
  fs::create_directory(card / "IMG_0002.JPG");  // a name that turns out not to be a file
  WriteFile(card / "IMG_0003.JPG", "photo");
  EXPECT_EQ(RunWith(3, {"", "IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}), 1);
  EXPECT_EQ(h.desktop.boxes,
            std::vector<MessageBoxCall>{MassCopyError("75 Path/File access error")});
  EXPECT_EQ(AllNames(CaseFolder()), Names{"IMG_0001.JPG"});
}

#ifndef _WIN32
TEST_F(MassCopyTest, AnUnreadableSourceEndsTheRun) {
  if (RunningAsRoot()) {
    GTEST_SKIP() << "running as root: file permissions do not stop root from reading";
  }
  WriteFile(card / "IMG_0001.JPG", "photo");
  fs::permissions(card / "IMG_0001.JPG", fs::perms::none);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{MassCopyError("70 Permission denied")});
  EXPECT_TRUE(AllNames(CaseFolder()).empty());
}

TEST_F(MassCopyTest, AReadOnlyCaseFolderEndsTheRunAndGetsNothing) {
  WriteCard();
  fs::create_directory(CaseFolder());
  WriteFile(InCase("IMG_0001.JPG"), "old");
  UnwritableFolder unwritable(CaseFolder());
  if (!unwritable.ok()) GTEST_SKIP() << "cannot make a folder unwritable on this file system";
  h.desktop.answers = {mb::kAnswerYes};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(h.desktop.boxes, (std::vector<MessageBoxCall>{Overwrite("IMG_0001.JPG"),
                                                          MassCopyError("70 Permission denied")}));
  EXPECT_EQ(ReadFile(InCase("IMG_0001.JPG")), "old");
  EXPECT_EQ(AllNames(CaseFolder()), Names{"IMG_0001.JPG"});
}

TEST_F(MassCopyTest, AnOverwriteWhoseCopyFailsKeepsTheOldFile) {
  std::mt19937 random(1);
  std::string photo(std::size_t{3} << 20, '\0');
  for (char& c : photo) c = static_cast<char>(random());
  WriteFile(card / "IMG_0001.JPG", photo);
  WriteFile(InCase("IMG_0001.JPG"), "the copy made last week");
  h.desktop.answers = {mb::kAnswerYes};
  std::int32_t errors = 0;
  {
    FileSizeLimit disk_full_at(1 << 20);
    ASSERT_TRUE(disk_full_at.ok());
    errors = Run();
  }
  EXPECT_EQ(errors, 1);
  ASSERT_EQ(h.desktop.boxes.size(), 2u);
  EXPECT_EQ(h.desktop.boxes[1].style, 48);
  EXPECT_EQ(h.desktop.boxes[1].title, "Error");
  EXPECT_TRUE(h.desktop.boxes[1].text.ends_with(" in StartMassCopy"));
  EXPECT_EQ(ReadFile(InCase("IMG_0001.JPG")), "the copy made last week");
  EXPECT_EQ(AllNames(CaseFolder()), Names{"IMG_0001.JPG"});
}
#endif

#ifdef __linux__
// A file whose size the file system does not know (a kernel status file behind a link) copies
// as empty: the check after the copy finds that it differs from its source and asks.
class DifferingCopyTest : public MassCopyTest {
 protected:
  DifferingCopyTest() {
    WriteFile(card / "IMG_0001.JPG", "photo one");
    fs::create_symlink("/proc/self/status", card / "IMG_0002.JPG");
    WriteFile(card / "IMG_0003.JPG", "photo three");
  }
};

TEST_F(DifferingCopyTest, YesGoesOnWithTheNextFile) {
  h.desktop.answers = {mb::kAnswerYes};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{CopyError("IMG_0002.JPG")});
  EXPECT_EQ(ReadFile(InCase("IMG_0003.JPG")), "photo three");
  // The wrong copy never takes the file's name.
  EXPECT_EQ(AllNames(CaseFolder()), (Names{"IMG_0001.JPG", "IMG_0003.JPG"}));
}

TEST_F(DifferingCopyTest, AWrongCopyNeverReplacesAnEarlierOne) {
  WriteFile(InCase("IMG_0002.JPG"), "copied last week");
  h.desktop.answers = {mb::kAnswerYes, mb::kAnswerYes};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<MessageBoxCall>{Overwrite("IMG_0002.JPG"), CopyError("IMG_0002.JPG")}));
  EXPECT_EQ(ReadFile(InCase("IMG_0002.JPG")), "copied last week");
}

TEST_F(DifferingCopyTest, NoCountsTheErrorAndEndsTheRun) {
  h.desktop.answers = {mb::kAnswerNo};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(h.desktop.boxes, std::vector<MessageBoxCall>{CopyError("IMG_0002.JPG")});
  // The copies made before the answer are kept; nothing is left half-done.
  EXPECT_EQ(AllNames(CaseFolder()), Names{"IMG_0001.JPG"});
}
#endif

TEST_F(MassCopyTest, SetLastTargetFileCountsTheCaseFolder) {
  std::string last = "before";
  std::int32_t count = -1;
  std::int32_t errors = 0;
  f.SetLastTargetFile(last, count, errors);  // no case folder yet: nothing changes
  EXPECT_EQ(last, "before");
  EXPECT_EQ(count, -1);
  EXPECT_EQ(f.strTargetPath, cases / "0815-22_Desk 4_2008-03-02");

  f.strUserName = "Desk_4";
  fs::create_directory(CaseFolder());
  f.SetLastTargetFile(last, count, errors);
  EXPECT_EQ(last, "");
  EXPECT_EQ(count, 0);

  WriteFile(InCase("b.JPG"), "b");
  WriteFile(InCase("a.JPG"), "a");
  WriteFile(InCase(".hidden"), "h");
  f.SetLastTargetFile(last, count, errors);
  EXPECT_EQ(last, "b.JPG");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(errors, 0);
  EXPECT_TRUE(h.desktop.boxes.empty());
}

#ifndef _WIN32
TEST_F(MassCopyTest, AFailureInSetLastTargetFileIsCountedAndTheRunGoesOn) {
  f.strIncidentNumber = std::string(300, 'x');  // a name too long for the file system
  std::string last = "before";
  std::int32_t count = 5;
  std::int32_t errors = 0;
  f.SetLastTargetFile(last, count, errors);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(last, "before");
  EXPECT_EQ(count, 5);
  EXPECT_EQ(
      h.desktop.boxes,
      (std::vector<MessageBoxCall>{{"64 Bad file name in Function SetLastTargetFile", 0, ""}}));
}
#endif

}  // namespace
}  // namespace pixferry
