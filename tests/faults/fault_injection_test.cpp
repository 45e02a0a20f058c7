// File faults, one per kind and place, injected into the platform layer or made for real: what
// the operator is told, that no file is left partial, that nothing good is lost or wrongly
// deleted, and that the next click works again.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/records.h"
#include "tests/support/fakes.h"
#include "tests/support/faults.h"
#include "tests/support/messages.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using faults::Op;
using testing::AllNames;
using testing::Boxes;
using testing::GuardDeletion;
using testing::kCopied;
using testing::kImportError;
using testing::Names;
using testing::ReadFile;
using testing::RunningAsRoot;
using testing::WriteFile;

const char kEarlier[] = "an earlier good copy";

// Photos that differ from one another, so a copy of the wrong one or a short one shows.
std::string Photo(int n) {
  return testing::JpegBytes() + std::string(static_cast<std::size_t>(n) * 1000, 'x');
}

// A card with five photos, a case folder holding one earlier copy, the program started beside it.
class Faults : public ::testing::Test {
 protected:
  Faults() {
    faults::Disarm();
    for (int i = 1; i <= 5; ++i) WriteFile(Card(i), Photo(i));
    WriteFile(CaseFolder() + kSep + "EARLIER.JPG", kEarlier);
    WriteFile(dir / "card/DCIM/100MEDIA.TXT", "beside the source");
    form.strSavePath = dir / "cases";
    form.strSourcePath = dir / "card/DCIM/100MEDIA";
    form.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
  }
  ~Faults() override { faults::Disarm(); }

  std::string Name(int i) const { return "IMG_000" + std::to_string(i) + ".JPG"; }
  std::string Card(int i) const { return dir / ("card/DCIM/100MEDIA/" + Name(i)); }
  std::string CaseFolder() const { return dir / "cases/0815_Desk_2008-03-02"; }
  testing::MessageBoxCall Overwrite(int i) const {
    return {"The file " + Name(i) + " already exists. Overwrite?", 68, "Overwrite?"};
  }

  // Each file in the case folder is whole: a photo equal to its source, or the earlier copy; the
  // sources are untouched. Gives the photos that were copied.
  std::vector<int> ExpectOnlyWholeCopies() {
    std::vector<int> copied;
    for (const std::string& name : AllNames(CaseFolder())) {
      if (name == "EARLIER.JPG") continue;
      const int i = name.size() == 12 ? name[7] - '0' : 0;
      EXPECT_EQ(name, Name(i)) << "a temporary copy left behind?";
      EXPECT_EQ(ReadFile(CaseFolder() + kSep + name), Photo(i)) << name << " is partial";
      copied.push_back(i);
    }
    EXPECT_EQ(ReadFile(CaseFolder() + kSep + "EARLIER.JPG"), kEarlier);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(Card(i)), Photo(i)) << "source " << i;
    return copied;
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

  testing::TempDir dir;
  testing::ScopedCurrentDirectory current_{dir.path()};
  testing::Harness h;
  frmMain& form = *h.form;
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

// The copies waiting for the flush are dropped whole; none takes its name half written.
TEST_F(Faults, DiskFullWhenTheCopiesAreFlushed) {
  faults::Arm(Op::CopyCommit, 1, err::kDiskFull);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"61 Disk full in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, kImportError);
  EXPECT_EQ(ExpectOnlyWholeCopies(), std::vector<int>{});
  ExpectNextCopyWorks({});
}

// The names read before the failure are still copied; the listing's failure is reported.
TEST_F(Faults, SourceFolderVanishesWhileListed) {
  faults::Arm(Op::ListingNext, 3, err::kPathNotFound);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes.at(0),
            (testing::MessageBoxCall{"76 Path not found in SortedFiles", 0, ""}));
  const std::vector<int> copied = ExpectOnlyWholeCopies();
  EXPECT_LE(copied.size(), 2u);
  ExpectNextCopyWorks(copied);
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
  const std::string cases = dir / "cases";
  if (::mount("tmpfs", cases.c_str(), "tmpfs", 0, "size=16k,mode=0777") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  const auto unmount = [](const char* path) { ::umount2(path, MNT_DETACH); };
  const std::unique_ptr<const char, decltype(unmount)> mounted(cases.c_str(), unmount);
  WriteFile(CaseFolder() + kSep + "EARLIER.JPG", kEarlier);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"61 Disk full in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, kImportError);
  const std::vector<int> copied = ExpectOnlyWholeCopies();
  EXPECT_TRUE(!copied.empty() && copied.size() < 5 &&
              copied.back() == static_cast<int>(copied.size()))
      << "not the first photos in order";
}

// While the operator is asked about the first photo, the case folder turns read-only: the copy
// there is kept, the run ends, and once the folder is writable again the next click copies.
TEST_F(Faults, ACaseFolderTurningReadOnlyKeepsWhatItHas) {
  WriteFile(CaseFolder() + kSep + Name(1), Photo(1));
  std::unique_ptr<testing::UnwritableFolder> unwritable;
  h.desktop.on_box = [&](const testing::MessageBoxCall&) {
    if (!unwritable) unwritable = std::make_unique<testing::UnwritableFolder>(CaseFolder());
  };
  h.desktop.answers = {mb::kAnswerNo};
  form.cmdStartCopy_Click();
  if (!unwritable->ok()) GTEST_SKIP() << "cannot make a folder unwritable on this file system";
  EXPECT_EQ(h.desktop.boxes,
            (Boxes{Overwrite(1), {"70 Permission denied in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(ExpectOnlyWholeCopies(), std::vector<int>{1});
  unwritable.reset();
  h.desktop.on_box = nullptr;
  ExpectNextCopyWorks({1});
}

// Root reads every file, so as root the click runs in a child process as an ordinary user.
TEST_F(Faults, APhotoTheOperatorMayNotReadEndsTheRun) {
  fs::permissions(Card(2), fs::perms::none);
  auto click_reports_70 = [&] {
    form.cmdStartCopy_Click();
    return h.desktop.boxes == Boxes{{"70 Permission denied in StartMassCopy", 48, "Error"}} &&
           h.txtMessage.text == kImportError;
  };
  if (!RunningAsRoot()) {
    EXPECT_TRUE(click_reports_70());
  } else {
    for (const std::string& folder : {dir.path(), dir / "card", dir / "card/DCIM", dir / "cases",
                                      dir / "card/DCIM/100MEDIA", CaseFolder()}) {
      fs::permissions(folder, fs::perms::all, fs::perm_options::add);
    }
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      constexpr uid_t kNobody = 65534;
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
      ::_exit(click_reports_70() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot drop to nobody";
    EXPECT_EQ(status, 0) << "the unreadable photo was not reported as 70 Permission denied";
  }
  fs::permissions(Card(2), fs::perms::owner_read, fs::perm_options::add);
  EXPECT_EQ(ExpectOnlyWholeCopies(), std::vector<int>{1});
}

}  // namespace
}  // namespace pixferry
