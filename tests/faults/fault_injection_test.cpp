// Failures injected into the platform layer's file operations, one per test: what the operator
// is told, that no file is left partial, that nothing good is lost or wrongly deleted, and that
// the next click works again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/records.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using faults::Op;
using testing::Exists;
using testing::GuardDeletion;
using testing::Harness;
using testing::JpegBytes;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::ScopedCurrentDirectory;
using testing::TempDir;
using testing::WriteFile;
using Boxes = std::vector<MessageBoxCall>;
using Names = std::vector<std::string>;

const char kCopied[] =
    "Photos copied successfully.  If you'd like to cleanse the photos from your source(disk), "
    "click 'Delete'.";
const char kImportError[] = "An error occurred during import.  Please check photos";

std::string ErrorText(int number, const std::string& suffix) {
  return std::to_string(number) + " " + std::string(ErrorDescription(number)) + suffix;
}

MessageBoxCall MassCopyBox(int number) {
  return {ErrorText(number, " in StartMassCopy"), 48, "Error"};
}

MessageBoxCall Overwrite(const std::string& name) {
  return {"The file " + name + " already exists. Overwrite?", 68, "Overwrite?"};
}

// Every name in a folder, hidden ones included, so a leftover temporary file shows.
Names AllNames(const std::string& folder) {
  Names names;
  if (!fs::is_directory(folder)) return names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Photos that differ from one another, so a copy of the wrong one or a short one shows.
std::string Photo(int n) {
  return JpegBytes() + std::string(static_cast<std::size_t>(n) * 1000, 'x');
}

// A card with five photos, a case folder holding one earlier copy, paths.dat beside the program.
class Faults : public ::testing::Test {
 protected:
  Faults() : current_(dir.path()) {
    faults::Disarm();
    for (int i = 1; i <= 5; ++i) WriteFile(Card(i), Photo(i));
    WriteFile(dir / "cases/0815_Desk_2008-03-02/EARLIER.JPG", "an earlier good copy");
    WriteFile(dir / "card/DCIM/100MEDIA.TXT", "beside the source");
    form.strSavePath = dir / "cases";
    form.strSourcePath = dir / "card/DCIM/100MEDIA";
    form.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
  }
  ~Faults() override { faults::Disarm(); }

  std::string Card(int i) const {
    return dir / ("card/DCIM/100MEDIA/IMG_000" + std::to_string(i) + ".JPG");
  }
  std::string CaseFolder() const { return dir / "cases/0815_Desk_2008-03-02"; }
  std::string Copy(int i) const {
    return CaseFolder() + kSep + "IMG_000" + std::to_string(i) + ".JPG";
  }

  // Each file in the case folder is whole: a photo equal to its source, or the earlier copy.
  // Gives the photos that were copied.
  std::vector<int> ExpectOnlyWholeCopies() {
    std::vector<int> copied;
    for (const std::string& name : AllNames(CaseFolder())) {
      if (name == "EARLIER.JPG") continue;
      ADD_FAILURE_IF_NOT_PHOTO(name);
      const int i = name[7] - '0';
      EXPECT_EQ(ReadFile(Copy(i)), Photo(i)) << name << " is partial or corrupted";
      copied.push_back(i);
    }
    EXPECT_EQ(ReadFile(CaseFolder() + kSep + "EARLIER.JPG"), "an earlier good copy");
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(Card(i)), Photo(i)) << "source " << i;
    return copied;
  }

  static void ADD_FAILURE_IF_NOT_PHOTO(const std::string& name) {
    EXPECT_TRUE(name.size() == 12 && name.starts_with("IMG_000") && name.ends_with(".JPG"))
        << "unexpected file " << name << " (a temporary copy left behind?)";
  }

  // The second click, fault gone: every photo copied whole, with no box but the overwrite
  // questions for those copied before (answered No: the copies there are good).
  void ExpectSecondCopyWorks(const std::vector<int>& copied_before) {
    h.desktop.boxes.clear();
    Boxes expected;
    for (int i : copied_before) {
      h.desktop.answers.push_back(mb::kAnswerNo);
      expected.push_back(Overwrite("IMG_000" + std::to_string(i) + ".JPG"));
    }
    form.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, expected);
    EXPECT_EQ(h.txtMessage.text, kCopied);
    EXPECT_EQ(ExpectOnlyWholeCopies(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(form.lngTargetCount, 6);
  }

  TempDir dir;
  ScopedCurrentDirectory current_;
  Harness h;
  frmMain& form = *h.form;
};

TEST_F(Faults, CardPulledOutMidCopy) {
  faults::Arm(Op::CopyRead, 3, err::kDeviceIoError);
  form.cmdStartCopy_Click();

  EXPECT_EQ(h.desktop.boxes, Boxes{MassCopyBox(err::kDeviceIoError)});
  EXPECT_EQ(h.txtMessage.text, kImportError);
  // The two copies made before the failure are kept and listed; the third left nothing.
  EXPECT_EQ(ExpectOnlyWholeCopies(), (std::vector<int>{1, 2}));
  EXPECT_EQ(form.lngTargetCount, 3);
  ExpectSecondCopyWorks({1, 2});
}

TEST_F(Faults, DiskFullWhileWriting) {
  faults::Arm(Op::CopyWrite, 2, err::kDiskFull);
  form.cmdStartCopy_Click();

  EXPECT_EQ(h.desktop.boxes, Boxes{MassCopyBox(err::kDiskFull)});
  EXPECT_EQ(h.txtMessage.text, kImportError);
  EXPECT_EQ(ExpectOnlyWholeCopies(), (std::vector<int>{1}));
  ExpectSecondCopyWorks({1});
}

TEST_F(Faults, DiskFullWhenTheGroupIsFlushedLosesNoEarlierCopy) {
  faults::Arm(Op::CopyCommit, 1, err::kDiskFull);
  form.cmdStartCopy_Click();

  // The catch block commits what it holds again: that second commit finds the group empty.
  EXPECT_EQ(h.desktop.boxes, Boxes{MassCopyBox(err::kDiskFull)});
  EXPECT_EQ(h.txtMessage.text, kImportError);
  EXPECT_EQ(ExpectOnlyWholeCopies(), std::vector<int>{});
  ExpectSecondCopyWorks({});
}

TEST_F(Faults, ReadOnlyMediumRefusesTheCaseFolder) {
  GuardDeletion(CaseFolder());
  fs::remove_all(CaseFolder());
  faults::Arm(Op::MakeFolder, 1, err::kPermissionDenied);
  form.cmdStartCopy_Click();

  EXPECT_EQ(h.desktop.boxes, Boxes{MassCopyBox(err::kPermissionDenied)});
  EXPECT_EQ(h.txtMessage.text, kImportError);
  EXPECT_FALSE(Exists(CaseFolder()));
  EXPECT_EQ(AllNames(dir / "cases"), Names{});

  WriteFile(CaseFolder() + kSep + "EARLIER.JPG", "an earlier good copy");
  ExpectSecondCopyWorks({});
}

TEST_F(Faults, SourceFolderVanishesWhileListed) {
  faults::Arm(Op::ListingNext, 3, err::kPathNotFound);
  form.cmdStartCopy_Click();

  // The names read before the failure are still copied; the listing's failure is reported.
  ASSERT_FALSE(h.desktop.boxes.empty());
  EXPECT_EQ(h.desktop.boxes[0],
            (MessageBoxCall{ErrorText(err::kPathNotFound, " in SortedFiles"), 0, ""}));
  const std::vector<int> copied = ExpectOnlyWholeCopies();
  EXPECT_LE(copied.size(), 2u);
  ExpectSecondCopyWorks(copied);
}

TEST_F(Faults, SourceFolderGoneBeforeTheCopy) {
  faults::Arm(Op::ListingOpen, 1, err::kPathNotFound, 100);
  form.cmdStartCopy_Click();

  // The target check is the first listing: it cannot tell, so the copy does not start.
  ASSERT_FALSE(h.desktop.boxes.empty());
  EXPECT_EQ(h.desktop.boxes.back(),
            (MessageBoxCall{ErrorText(err::kPathNotFound, " in cmdStartImport_Click"), 0, ""}));
  EXPECT_EQ(ExpectOnlyWholeCopies(), std::vector<int>{});
  faults::Disarm();
  ExpectSecondCopyWorks({});
}

// Delete goes through the card's folder; a file that cannot be removed stops it there.
TEST_F(Faults, LockedFileDuringDelete) {
  for (int i = 1; i <= 5; ++i) WriteFile(Copy(i), Photo(i));
  const std::string source = form.strSourcePath;
  GuardDeletion(source);
  faults::Arm(Op::RemoveFile, 2, err::kPermissionDenied);
  h.desktop.answers.push_back(mb::kAnswerYes);
  form.cmdDelete_Click();

  const MessageBoxCall question{
      "Are you sure you want to delete the source files from " + source + "?", 36, "Delete?"};
  EXPECT_EQ(h.desktop.boxes, (Boxes{question, {"An Error was occured", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, "There has been an ERROR in cleansing (deletion).");
  EXPECT_EQ(form.strSourcePath, "");
  // One photo went, the locked one and the rest stay; nothing outside the source was touched.
  EXPECT_EQ(AllNames(source).size(), 4u);
  EXPECT_EQ(ReadFile(dir / "card/DCIM/100MEDIA.TXT"), "beside the source");
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(Copy(i)), Photo(i));
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + "EARLIER.JPG"), "an earlier good copy");

  // Chosen again, the card is deleted completely.
  h.desktop.boxes.clear();
  form.strSourcePath = source;
  h.desktop.answers.push_back(mb::kAnswerYes);
  form.cmdDelete_Click();
  EXPECT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.txtMessage.text, "Photos have been cleansed from the source.");
  EXPECT_FALSE(Exists(source));
  EXPECT_TRUE(Exists(dir / "card/DCIM/100MEDIA.TXT"));
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(Copy(i)), Photo(i));
}

TEST_F(Faults, FolderThatCannotBeRemovedDuringDelete) {
  const std::string source = form.strSourcePath;
  GuardDeletion(source);
  faults::Arm(Op::RemoveFolder, 1, err::kPathFileAccessError);
  h.desktop.answers.push_back(mb::kAnswerYes);
  form.cmdDelete_Click();
  ASSERT_EQ(h.desktop.boxes.size(), 2u);
  EXPECT_EQ(h.desktop.boxes[1], (MessageBoxCall{"An Error was occured", 48, "Error"}));
  EXPECT_TRUE(Exists(dir / "card/DCIM/100MEDIA.TXT"));
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + "EARLIER.JPG"), "an earlier good copy");
}

class SettingsFaults : public Faults {
 protected:
  SettingsFaults() {
    RecordFile file("paths.dat", RecordFile::Mode::WriteOnly);
    file.Write(1, "/old/cases");
    file.Write(2, "viewer");
    file.Write(3, "False");
    file.Write(4, "False");
  }
  static std::string Record(int n) {
    RecordFile file("paths.dat", RecordFile::Mode::ReadOnly);
    return file.Read(n);
  }
};

TEST_F(SettingsFaults, WriteFailsOnTheFirstRecord) {
  const std::string before = ReadFile(dir / "paths.dat");
  h.txtIncidentNumber.text = "Save /new/cases";
  faults::Arm(Op::RecordWrite, 1, err::kDiskFull);
  form.cmdSource_Click();

  EXPECT_EQ(h.desktop.boxes, (Boxes{{ErrorText(err::kDiskFull, ""), 0, ""}}));
  EXPECT_EQ(ReadFile(dir / "paths.dat"), before);  // not a byte changed

  h.desktop.boxes.clear();
  form.cmdSource_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"Destination set to /new/cases", 64, "Destination"}}));
  EXPECT_EQ(Record(1), "/new/cases");
  EXPECT_EQ(Record(2), "viewer");
  EXPECT_EQ(Record(4), "False");
}

TEST_F(SettingsFaults, WriteFailsOnTheSecondRecordOfThePair) {
  h.txtUser.text = "Save editor Local";
  faults::Arm(Op::RecordWrite, 2, err::kDiskFull);
  form.cmdStartCopy_Click();

  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{ErrorText(err::kDiskFull, " in cmdStartImport_Click"), 0, ""}}));
  // Each record is whole: the first of the pair is written, the second still the old one.
  EXPECT_EQ(Record(2), "editor");
  EXPECT_EQ(Record(3), "False");
  EXPECT_EQ(Record(1), "/old/cases");
  EXPECT_EQ(fs::file_size(dir / "paths.dat"), 4u * kRecordLength);

  h.desktop.boxes.clear();
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"Program to open media set to editor", 64, "Open With..."}}));
  EXPECT_EQ(Record(3), "True");
}

TEST_F(SettingsFaults, SettingsFileCannotBeOpenedAtStartUp) {
  faults::Arm(Op::RecordOpen, 1, err::kDeviceIoError);
  form.Form_Load();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{ErrorText(err::kDeviceIoError, " in Form_Load"), 0, ""}}));
  EXPECT_EQ(ReadFile(dir / "paths.dat").size(), 4u * kRecordLength);
  // The window still works: the copy runs once the save path is known.
  h.desktop.boxes.clear();
  form.strSavePath = dir / "cases";
  ExpectSecondCopyWorks({});
}

// Start-up scans ./DCIM for the card's photo folder: the program runs from the card.
class ScanFaults : public Faults {
 protected:
  ScanFaults() {
    GuardDeletion(dir / "card/DCIM/100MEDIA.TXT");
    fs::remove(dir / "card/DCIM/100MEDIA.TXT");
    form.strSourcePath.clear();
    RecordFile file("paths.dat", RecordFile::Mode::WriteOnly);
    file.Write(1, dir / "cases");
    file.Write(4, "False");
  }
  ScopedCurrentDirectory on_card_{dir / "card"};
};

TEST_F(ScanFaults, AnAttributeThatCannotBeReadCountsAsAFolder) {
  faults::Arm(Op::ReadAttributes, 1, err::kDeviceIoError);
  form.Form_Load();
  EXPECT_EQ(h.desktop.boxes, Boxes{});
  EXPECT_TRUE(form.strSourcePath.ends_with("/card/DCIM/100MEDIA")) << form.strSourcePath;
  EXPECT_EQ(form.lngSourceCount, 5);
  ExpectSecondCopyWorks({});
}

TEST_F(ScanFaults, NoAttributesReadableLeavesTheChoiceToTheOperator) {
  faults::Arm(Op::ReadAttributes, 1, err::kDeviceIoError, 1000);
  form.Form_Load();
  EXPECT_EQ(h.desktop.boxes, Boxes{});
  EXPECT_EQ(form.strSourcePath, "");
  EXPECT_EQ(h.txtMessage.text,
            "Click 'Set Source' to begin and locate the folder where your photos are located.");
  faults::Disarm();
  h.desktop.picks.push_back(dir / "card/DCIM/100MEDIA");
  h.txtIncidentNumber.text = "";
  form.cmdSource_Click();
  EXPECT_EQ(form.lngSourceCount, 5);
  h.txtIncidentNumber.text = "0815";
  ExpectSecondCopyWorks({});
}

TEST_F(ScanFaults, AFolderThatVanishesBeforeTheScanIsReported) {
  faults::Arm(Op::ListingOpen, 1, err::kPathNotFound);
  form.Form_Load();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{ErrorText(err::kPathNotFound, " in Form_Load"), 0, ""}}));
  EXPECT_EQ(form.strSourcePath, "");
  EXPECT_EQ(form.strSavePath, dir / "cases");  // read before the scan, and kept
  EXPECT_EQ(ReadFile(Card(1)), Photo(1));

  // Set Source picks the folder by hand and the copy works.
  h.desktop.boxes.clear();
  h.desktop.picks.push_back(dir / "card/DCIM/100MEDIA");
  h.txtIncidentNumber.text = "";
  form.cmdSource_Click();
  EXPECT_EQ(form.lngSourceCount, 5);
  h.txtIncidentNumber.text = "0815";
  ExpectSecondCopyWorks({});
}

}  // namespace
}  // namespace pixferry
