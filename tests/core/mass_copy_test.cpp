#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "app/frmMain.h"
#include "platform/files.h"
#include "platform/temp_names.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;

MessageBoxCall Overwrite(const std::string& name) {
  return {"The file " + name + " already exists. Overwrite?", 68, "Overwrite?"};
}

// A card folder whose files hold their own names; the copy request has set its members.
class MassCopyTest : public ::testing::Test {
 protected:
  MassCopyTest() {
    for (const char* name :
         {"IMG_0001.JPG", "IMG_0002.jpeg", "clip.MPEG", "notes.txt", "DSC_0003.Jpg"}) {
      WriteFile(card / name, name);
    }
    f.strSavePath = cases.path();
    f.strSourcePath = card.path();
    f.strIncidentNumber = "0815-22";
    f.strUserName = "Desk 4";
    f.strCopyDate = "2008-03-02";
  }

  // Lists the source as the copy request does, then copies; gives the error count.
  std::int32_t Run() {
    std::int32_t count = 0, errors = 0;
    std::vector<std::string> files;
    f.SortedFiles(f.strSourcePath + kSep, count, files, true, true);
    f.StartMassCopy(errors, count, files);
    return errors;
  }
  std::string InCase(const std::string& name = "") const {
    return cases / ("0815-22_Desk_4_2008-03-02/" + name);
  }

  TempDir card, cases;
  Harness h;
  frmMain& f = *h.form;
};

// Serials go on from the count of files in the case folder (two: a hidden file or a killed run's
// leftover is none, and Start removes the leftover), move past a name taken in any letter case
// without reusing its number, and keep the source's extension as it is; a name without a dot is
// passed over.
TEST_F(MassCopyTest, RenamingNumbersTheCopiesOnFromWhatTheCaseFolderHolds) {
  WriteFile(card / "JPG", "no dot");
  WriteFile(InCase("00000001.JPG"), "old one");
  WriteFile(InCase("00000004.JPEG"), "old four");
  WriteFile(InCase(".pixferry-0123.tmp"), "hidden");
  WriteFile(InCase(TemporaryName(12, 7)), "left by a killed run");
  HideOnWindows(InCase(TemporaryName(12, 7)));
  f.strRenameSwitch = "True";
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(Exists(InCase(TemporaryName(12, 7))));
  EXPECT_EQ(h.txtMessage.refreshed, (Names{"Copying Files... IMG_0001.JPG as 00000003.JPG",
                                           "Copying Files... IMG_0002.jpeg as 00000005.jpeg",
                                           "Copying Files... clip.MPEG as 00000006.MPEG"}));
  EXPECT_EQ(ReadFile(InCase("00000004.JPEG")), "old four");
  EXPECT_EQ(ReadFile(InCase("00000005.jpeg")), "IMG_0002.jpeg");
}

// Own names; a mixed-case extension and any other file are passed over silently. A hidden
// system file in the case folder is there all the same.
TEST_F(MassCopyTest, CopiesUnderOwnNamesAndOverwritesOnlyWhenTheOperatorSaysYes) {
  WriteFile(InCase("IMG_0001.JPG"), "kept");
  HideOnWindows(InCase("IMG_0001.JPG"), true);
  WriteFile(InCase("IMG_0002.jpeg"), "replaced");
  h.desktop.answers = {mb::kAnswerNo, mb::kAnswerYes};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(h.desktop.boxes, (Boxes{Overwrite("IMG_0001.JPG"), Overwrite("IMG_0002.jpeg")}));
  EXPECT_EQ(AllNames(InCase()), (Names{"IMG_0001.JPG", "IMG_0002.jpeg", "clip.MPEG"}));
  EXPECT_EQ(ReadFile(InCase("IMG_0001.JPG")), "kept");
  EXPECT_EQ(ReadFile(InCase("IMG_0002.jpeg")), "IMG_0002.jpeg");

  // The case folder copied onto itself: Yes must not truncate the file it copies from, and the
  // only file is no proved copy of itself, which Delete could then remove. Each is asked about
  // once (Overwrite?, then Error!).
  f.strSourcePath = cases / "0815-22_Desk_4_2008-03-02";
  h.desktop.boxes.clear();
#ifdef _WIN32
  const int listed = 2;  // the hidden system file is not listed as a photo there
#else
  const int listed = 3;
#endif
  h.desktop.answers.assign(2 * listed, mb::kAnswerYes);
  EXPECT_EQ(Run(), listed);
  EXPECT_EQ(h.desktop.boxes.size(), 2u * listed);
  EXPECT_EQ(ReadFile(InCase("clip.MPEG")), "clip.MPEG");
  EXPECT_FALSE(f.verified_copies.Covers(InCase("clip.MPEG"), StampAt(InCase("clip.MPEG"))));
}

#ifdef _WIN32
// A photo named as a case file's short name ("LONG~ETV.JPG" for "longname-photo.jpg") is not
// that file: nothing asks to overwrite it and it keeps its bytes; the name is the other file's
// on this file system, so the copy cannot take it.
TEST_F(MassCopyTest, AShortNameNeverStandsForAnotherFile) {
  WriteFile(InCase("longname-photo.jpg"), "the case's photo");
  wchar_t buffer[MAX_PATH] = {};
  const std::wstring long_name = fs::path(InCase("longname-photo.jpg")).wstring();
  ASSERT_NE(::GetShortPathNameW(long_name.c_str(), buffer, MAX_PATH), 0u);
  const std::string short_name = fs::path(buffer).filename().string();
  if (short_name == "longname-photo.jpg") GTEST_SKIP() << "no short names here";
  WriteFile(card / short_name, "the card's photo");
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"58 File already exists in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(ReadFile(InCase("longname-photo.jpg")), "the case's photo");
}
#endif

// A photo larger than a whole group, and a folder where a copy should go.
TEST_F(MassCopyTest, ALargePhotoIsCopiedAndAFolderInTheWayEndsTheRun) {
  WriteFile(card / "IMG_0002.jpeg", std::string(5000, 'x'));
  f.copy_job_limits.bytes = 1000;
  fs::create_directories(fs::path(InCase("clip.MPEG")));
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"75 Path/File access error in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(ReadFile(InCase("IMG_0002.jpeg")), std::string(5000, 'x'));
}

#ifndef _WIN32
// A link in the case folder to the card's photo is not a copy of it: Overwrite puts a real,
// proved copy in its place, which outlives the card.
TEST_F(MassCopyTest, ALinkInTheCaseFolderIsReplacedByARealCopy) {
  fs::create_directories(fs::path(InCase()));
  fs::create_symlink(card / "IMG_0001.JPG", InCase("IMG_0001.JPG"));
  h.desktop.answers = {mb::kAnswerYes};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(h.desktop.boxes, Boxes{Overwrite("IMG_0001.JPG")});
  EXPECT_FALSE(fs::is_symlink(InCase("IMG_0001.JPG")));
  GuardDeletion(card / "IMG_0001.JPG");
  fs::remove(fs::path(card / "IMG_0001.JPG"));
  EXPECT_EQ(ReadFile(InCase("IMG_0001.JPG")), "IMG_0001.JPG");
}

// Counted and shown; the count is left as it was.
TEST_F(MassCopyTest, AFailureInSetLastTargetFileIsCountedAndShown) {
  f.strIncidentNumber = std::string(300, 'x');  // a name too long for the file system
  std::string last = "before";
  std::int32_t count = 5, errors = 0;
  f.SetLastTargetFile(last, count, errors);
  EXPECT_EQ(last + std::to_string(count) + std::to_string(errors), "before51");
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"64 Bad file name in Function SetLastTargetFile", 0, ""}}));
}
#endif

}  // namespace
}  // namespace pixferry
