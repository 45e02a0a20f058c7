// File faults, one per kind and place, injected into the platform layer or made for real: what
// the operator is told, that no file is left partial, that nothing good is lost or wrongly
// deleted, and that the next click works again.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/records.h"
#include "tests/faults/card_job.h"
#include "tests/support/fakes.h"
#include "tests/support/messages.h"
#include "tests/support/namespaces.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using faults::Op;
using namespace testing;

// Five photos.
class Faults : public ::testing::Test, protected CardJob {
 protected:
  Faults() : CardJob(5) {}
  MessageBoxCall Overwrite(int i) const {
    return {"The file " + Name(i) + " already exists. Overwrite?", 68, "Overwrite?"};
  }

  // The next click, fault gone: every photo copied whole, with no box but the overwrite
  // questions for those copied before (answered No: the copies there are good).
  void ExpectNextCopyWorks(const std::vector<int>& copied_before) {
    h.desktop.boxes.clear();
    Boxes expected;
    for (int i : copied_before) {
      h.desktop.answers.push_back(mb::kAnswerNo);
      expected.push_back(Overwrite(i));
    }
    form.cmdStartCopy_Click();
    EXPECT_EQ(h.desktop.boxes, expected);
    EXPECT_EQ(h.txtMessage.text, kCopied);
    EXPECT_EQ(ExpectOnlyWholeCopies(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(form.lngTargetCount, 6);
  }
};

// The system reports a card pulled out as a device that is gone.
TEST_F(Faults, CardPulledOutMidCopy) {
  faults::Arm(Op::CopyRead, 3, ErrorFromErrno(ENODEV));
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"68 Device unavailable in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, kImportError);
  // The two copies made before the failure are kept and listed; the third left nothing.
  EXPECT_EQ(ExpectOnlyWholeCopies(), (std::vector<int>{1, 2}));
  EXPECT_EQ(form.lngTargetCount, 3);
  ExpectNextCopyWorks({1, 2});
}

// The disk fills up part-way through an overwrite: the copy made earlier stays whole, and the
// run ends there.
TEST_F(Faults, AnOverwriteWhoseCopyFailsKeepsTheOldFile) {
  WriteFile(CaseFolder() + kSep + Name(1), kEarlier);
  h.desktop.answers = {mb::kAnswerYes};
  faults::Arm(Op::CopyWrite, 1, err::kDiskFull);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{Overwrite(1), {"61 Disk full in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + Name(1)), kEarlier);
  EXPECT_EQ(AllNames(CaseFolder()), (Names{"EARLIER.JPG", Name(1)}));
}

// A locked file stops Delete there: one photo went, the locked one and the rest stay, and
// nothing outside the source is touched.
TEST_F(Faults, LockedFileDuringDelete) {
  const std::string source = form.strSourcePath;
  form.cmdStartCopy_Click();  // copied and verified first: Delete goes straight to its question
  h.desktop.boxes.clear();
  faults::Arm(Op::RemoveFile, 2, err::kPermissionDenied);
  GuardDeletion(source);
  h.desktop.answers.push_back(mb::kAnswerYes);
  form.cmdDelete_Click();
  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{"Are you sure you want to delete the source files from " + source + "?", 36,
                    "Delete?"},
                   {"An Error was occured", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, "There has been an ERROR in cleansing (deletion).");
  EXPECT_EQ(form.strSourcePath, "");
  EXPECT_EQ(AllNames(source).size(), 4u);
  EXPECT_EQ(ReadFile(dir / "card/DCIM/100MEDIA.TXT"), "beside the source");
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + "EARLIER.JPG"), kEarlier);
}

// Each record is whole: the first of the pair is written, the second is still the old one.
TEST_F(Faults, SettingsWriteFailsOnTheSecondRecordOfThePair) {
  {
    RecordFile file("paths.dat", RecordFile::Mode::WriteOnly);
    int n = 0;
    for (const char* text : {"/old/cases", "viewer", "False", "False"}) file.Write(++n, text);
  }
  auto record = [](int n) { return RecordFile("paths.dat", RecordFile::Mode::ReadOnly).Read(n); };
  h.txtUser.text = "Save editor Local";
  faults::Arm(Op::RecordWrite, 2, err::kDiskFull);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"61 Disk full in cmdStartImport_Click", 0, ""}}));
  EXPECT_EQ(record(1), "/old/cases");
  EXPECT_EQ(record(2), "editor");
  EXPECT_EQ(record(3), "False");
  EXPECT_EQ(fs::file_size(dir / "paths.dat"), 4u * kRecordLength);

  h.desktop.boxes.clear();
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"Program to open media set to editor", 64, "Open With..."}}));
  EXPECT_EQ(record(3), "True");
}

// Start-up probes ./DCIM, here on the card. A listing that fails before its first name is
// reported and the settings read before it stay; an entry whose attributes cannot be read is
// taken for a folder, so the file beside the photo folder makes no single source; Set Source
// still works.
TEST_F(Faults, TheStartUpScanReportsAFailedListingAndTakesUnreadableEntriesForFolders) {
  RecordFile(dir / "card/paths.dat", RecordFile::Mode::WriteOnly).Write(1, dir / "cases");
  testing::ScopedCurrentDirectory on_card(dir / "card");
  form.strSourcePath.clear();
  faults::Arm(Op::ListingOpen, 1, err::kPathNotFound);
  form.Form_Load();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"76 Path not found in Form_Load", 0, ""}}));
  EXPECT_EQ(form.strSavePath, dir / "cases");
  EXPECT_EQ(form.strSourcePath, "");

  h.desktop.boxes.clear();
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
  h.txtIncidentNumber.text = "0815";
  ExpectNextCopyWorks({});
}

// ---- Real faults, where the system lets a test make them.

// A tiny tmpfs over the destination root: the copies that fit are kept whole, in order, and no
// partial or temporary file is left.
TEST_F(Faults, ADestinationThatFillsUpKeepsTheCopiesThatFit) {
  EXPECT_EQ(InMountNamespace(Expecting([&] {
              const std::string cases = dir / "cases";
              ASSERT_EQ(::mount("tmpfs", cases.c_str(), "tmpfs", 0, "size=16k"), 0);
              WriteFile(CaseFolder() + kSep + "EARLIER.JPG", kEarlier);
              form.cmdStartCopy_Click();
              EXPECT_EQ(h.desktop.boxes, (Boxes{{"61 Disk full in StartMassCopy", 48, "Error"}}));
              EXPECT_EQ(h.txtMessage.text, kImportError);
              const std::vector<int> copied = ExpectOnlyWholeCopies();
              EXPECT_TRUE(!copied.empty() && copied.size() < 5 &&
                          copied.back() == static_cast<int>(copied.size()))
                  << "not the first photos in order";
            })),
            "");
}

// Root reads every file, so the click runs as an ordinary user.
TEST_F(Faults, APhotoTheOperatorMayNotReadEndsTheRun) {
  fs::permissions(Card(2), fs::perms::none);
  EXPECT_EQ(AsOrdinaryUser(dir.path(), Expecting([&] {
                             form.cmdStartCopy_Click();
                             EXPECT_EQ(
                                 h.desktop.boxes,
                                 (Boxes{{"70 Permission denied in StartMassCopy", 48, "Error"}}));
                             EXPECT_EQ(h.txtMessage.text, kImportError);
                           })),
            "");
  fs::permissions(Card(2), fs::perms::owner_read, fs::perm_options::add);
  EXPECT_EQ(ExpectOnlyWholeCopies(), std::vector<int>{1});
}

}  // namespace
}  // namespace pixferry
