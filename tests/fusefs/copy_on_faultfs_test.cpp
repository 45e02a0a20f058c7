// The copy on a file system that misbehaves: a disk that stores a byte wrong behind a right
// cache (a disk that drops what is written past its real size is caught by the same read-back), a
// card pulled out mid-copy, a disk that forgets what was not flushed. When a copy fails the
// operator is told, no wrong or partial file holds a photo's name, the copies proved before stay,
// the status is the error text, and Delete asks about the photos not copied, reading each copy
// from the storage.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "tests/support/fakes.h"
#include "tests/support/faultfs.h"
#include "tests/support/messages.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using namespace testing;

std::string Photo(std::size_t size, char fill) {
  return JpegBytes() + std::string(size, fill);
}

MessageBoxCall Differs(const std::string& name) {
  return {"There was an error in copying the file " + name +
              ".  Do you want to continue to the next file?",
          20, "Error!"};
}

// Copies card into cases/0815_Desk_2008-03-02 with Start (in_flight copies at most, 0 for the
// default), answering Yes to every question, then presses Delete and answers No.
struct Job {
  Job(const std::string& card, const std::string& cases, std::size_t in_flight = 0) {
    if (in_flight > 0) form.copy_job_limits.files = in_flight;
    form.strSavePath = cases;
    form.strSourcePath = card;
    form.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
    h.desktop.answers.assign(8, mb::kAnswerYes);
    form.cmdStartCopy_Click();
    copy_boxes = h.desktop.boxes;
    h.desktop.boxes.clear();
    h.desktop.answers = {mb::kAnswerNo};
    form.cmdDelete_Click();
    delete_boxes = h.desktop.boxes;
  }
  std::string CaseFolder() const { return form.strSavePath + "/0815_Desk_2008-03-02"; }

  Harness h;
  frmMain& form = *h.form;
  Boxes copy_boxes, delete_boxes;
};

// One byte of every copy is stored wrong past byte 100 while the writer's cache holds the right
// one: only a read from the storage sees it. A photo shorter than that is stored right.
TEST(CopyOnFaultFs, ADiskThatStoresAByteWrongIsCaughtForEveryPhoto) {
  TempDir card, backing;
  WriteFile(card / "IMG_0000.JPG", std::string(60, 's'));
  WriteFile(card / "IMG_0001.JPG", Photo(5000, '1'));
  WriteFile(card / "IMG_0002.JPG", Photo(300000, '2'));
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, 100, [&](const std::string& mount) {
        std::filesystem::create_directory(mount + "/cases");
        Job job(card.path(), mount + "/cases");
        if (job.copy_boxes != Boxes{Differs("IMG_0001.JPG"), Differs("IMG_0002.JPG")}) {
          return std::string("no question for each photo stored wrong");
        }
        if (!std::filesystem::exists(card / "IMG_0001.JPG")) return std::string("No lost the card");
        // Checked here, where gtest's own checks would be lost with the child.
        if (AllNames(job.CaseFolder()) != Names{"IMG_0000.JPG"})
          return std::string("the case folder holds more than the proved copies");
        if (job.h.txtMessage.text != kImportError) return std::string("the status is not an error");
        if (job.delete_boxes.empty() || job.delete_boxes[0].title != "Not copied")
          return std::string("Delete does not ask about the photos not copied");
        // A copy proved once and stored wrong later, as a disk that wraps around overwrites it
        // while its pages stay cached: Delete reads it from the storage and names its photo.
        const std::string bytes = ReadFile(card / "IMG_0001.JPG");
        const std::string copy = mount + "/cases/0815/IMG_0001.JPG";
        WriteFile(copy, bytes);
        job.form.verified_copies.Add(card / "IMG_0001.JPG", StampAt(card / "IMG_0001.JPG"), copy,
                                     Sha256Of(bytes));
        job.h.desktop.boxes.clear();
        job.h.desktop.answers = {mb::kAnswerNo};
        job.form.cmdDelete_Click();
        if (job.h.desktop.boxes.size() != 1 ||
            job.h.desktop.boxes[0].text.find("IMG_0001.JPG") == std::string::npos) {
          return std::string("Delete took the cached copy for the stored one");
        }
        return std::string();
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(backing / "cases/0815_Desk_2008-03-02/IMG_0000.JPG"), std::string(60, 's'));
}

// The card goes away while the second photo is read: the box says the device is gone (68), not
// that a spot on it is damaged (57), and no copy takes a name it has not proved.
TEST(CopyOnFaultFs, ACardThatGoesAwayMidCopyIsAnUnavailableDevice) {
  TempDir cases, backing;
  WriteFile(backing / "card/IMG_0001.JPG", Photo(1000, '1'));
  WriteFile(backing / "card/IMG_0002.JPG", Photo(200000, '2'));
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kGoneAfter, 50000, [&](const std::string& mount) {
        const Job job(mount + "/card", cases.path());
        return job.copy_boxes == Boxes{{"68 Device unavailable in StartMassCopy", 48, "Error"}}
                   ? std::string()
                   : "told: " + ::testing::PrintToString(job.copy_boxes);
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
  for (const std::string& name : AllNames(cases / "0815_Desk_2008-03-02")) {
    EXPECT_EQ(name, "IMG_0001.JPG");
    EXPECT_EQ(ReadFile(cases / "0815_Desk_2008-03-02/IMG_0001.JPG"), Photo(1000, '1'));
  }
}

// A disk that loses what was not fsynced when it is unplugged: a sync of the whole file system
// never reaches a FUSE one, so each copy there is flushed by itself before it counts.
TEST(CopyOnFaultFs, EveryCopyOnAFuseDiskIsFlushedBeforeItCounts) {
  TempDir card, backing;
  for (char c = 'a'; c < 'k'; ++c)
    WriteFile(card / ("IMG_" + std::string(1, c) + ".JPG"), Photo(3000, c));
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kForgetsUnsynced, 0, [&](const std::string& mount) {
        std::filesystem::create_directory(mount + "/cases");
        const Job job(card.path(), mount + "/cases");
        return job.copy_boxes.empty() && job.h.txtMessage.text == kCopied
                   ? std::string()
                   : std::string("the copy was not a success");
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
  for (const std::string& name : AllNames(card.path()))
    EXPECT_EQ(ReadFile(backing / ("cases/0815_Desk_2008-03-02/" + name)), ReadFile(card / name))
        << name;
}

// A counterfeit disk that holds 1 MiB: each copy is proved before the next is written (one in
// flight), so Start succeeds, and the later copies overwrite the earlier ones. Delete reads every
// copy again from the storage and names exactly the photos whose copies no longer hold them.
TEST(NotCopiedOnFaultFs, OnADiskThatWrapsAroundDeleteNamesTheCopiesOverwritten) {
  TempDir card, backing;
  for (char i = '1'; i <= '6'; ++i)
    WriteFile(card / (std::string("IMG_000") + i + ".JPG"), Photo(300'000, i));
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kWrapsAround, 1 << 20, [&](const std::string& mount) {
        const Job job(card.path(), mount, 1);
        if (!job.copy_boxes.empty() || job.h.txtMessage.text != kCopied)
          return "Start said: " + job.h.txtMessage.text;
        Names lost;
        for (const std::string& name : AllNames(card.path())) {
          if (ReadFile(job.CaseFolder() + "/" + name) != ReadFile(card / name))
            lost.push_back(name);
        }
        if (lost.empty()) return std::string("the disk overwrote no copy");
        std::string first = lost[0];
        for (std::size_t i = 1; i < std::min<std::size_t>(3, lost.size()); ++i)
          first += ", " + lost[i];
        if (lost.size() > 3) first += " and " + std::to_string(lost.size() - 3) + " more";
        const Boxes named{
            {std::to_string(lost.size()) +
                 (lost.size() == 1
                      ? " photo, video or sound recording in " + card.path() + " has"
                      : " photos, videos or sound recordings in " + card.path() + " have") +
                 " no verified copy: " + first + ".  Do you want to delete anyway?",
             308, "Not copied"}};
        return job.delete_boxes == named ? std::string()
                                         : "asked: " + ::testing::PrintToString(job.delete_boxes);
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
}

}  // namespace
}  // namespace pixferry
