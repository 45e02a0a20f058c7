// The copy on a file system that misbehaves: a disk that stores a byte wrong behind a right
// cache, a card pulled out mid-copy, a disk that drops what is written past its real size. Each
// time the operator is told, no wrong or partial file holds a photo's name, the copies proved
// before stay, the status is the error text, and Delete asks about the photos not copied.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/faultfs.h"
#include "tests/support/messages.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::FaultFsResult;
using testing::FaultMode;
using testing::kImportError;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::RunOnFaultFs;
using testing::TempDir;
using testing::WriteFile;

std::string Photo(std::size_t size, char fill) {
  return testing::JpegBytes() + std::string(size, fill);
}

MessageBoxCall Differs(const std::string& name) {
  return {"There was an error in copying the file " + name +
              ".  Do you want to continue to the next file?",
          20, "Error!"};
}

// The body's checks, in a child where gtest's own would be lost: the first failure's text.
class Checks {
 public:
  void That(bool ok, const std::string& what) {
    if (!ok && failure_.empty()) failure_ = what;
  }
  template <typename T>
  void Equal(const T& actual, const T& expected, const std::string& what) {
    That(actual == expected, what);
  }
  const std::string& failure() const { return failure_; }

 private:
  std::string failure_;
};

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (!fs::is_directory(folder)) return names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Copies card into cases/0815_Desk_2008-03-02 with Start, answering Yes to every question, then
// presses Delete and answers No. Checks the Delete question and that the card stays.
struct Job {
  Job(const std::string& card, const std::string& cases) {
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

  testing::Harness h;
  frmMain& form = *h.form;
  std::vector<MessageBoxCall> copy_boxes, delete_boxes;
};

#define SKIP_UNLESS_RAN(result) \
  if (!(result).ran) GTEST_SKIP() << (result).skip_reason

// One byte of every copy is stored wrong past byte 100 while the writer's cache holds the right
// one: only a read from the storage sees it. A photo shorter than that is stored right.
TEST(CopyOnFaultFs, ADiskThatStoresAByteWrongIsCaughtForEveryPhoto) {
  TempDir card, backing;
  WriteFile(card / "IMG_0000.JPG", std::string(60, 's'));
  WriteFile(card / "IMG_0001.JPG", Photo(5000, '1'));
  WriteFile(card / "IMG_0002.JPG", Photo(300000, '2'));
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, 100, [&](const std::string& mount) {
        fs::create_directory(mount + "/cases");
        Job job(card.path(), mount + "/cases");
        Checks check;
        check.Equal(job.copy_boxes,
                    std::vector<MessageBoxCall>{Differs("IMG_0001.JPG"), Differs("IMG_0002.JPG")},
                    "the question for each photo stored wrong");
        check.Equal(Names(job.CaseFolder()), std::vector<std::string>{"IMG_0000.JPG"},
                    "only the photo stored right has its name, nothing else is left");
        check.Equal(job.h.txtMessage.text, std::string(kImportError), "the error text");
        check.That(!job.delete_boxes.empty() && job.delete_boxes[0].title == "Not copied",
                   "Delete asks about the photos not copied");
        check.That(fs::exists(card / "IMG_0001.JPG"), "No keeps the card");
        return check.failure();
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(backing / "cases/0815_Desk_2008-03-02/IMG_0000.JPG"), std::string(60, 's'));
}

// The card is pulled out while the second photo is read: the run ends with the box, the first
// copy is proved and stays, and nothing partial is left.
TEST(CopyOnFaultFs, ACardPulledOutMidCopyKeepsTheCopiesProvedBefore) {
  TempDir cases, backing;
  WriteFile(backing / "card/IMG_0001.JPG", Photo(1000, '1'));
  WriteFile(backing / "card/IMG_0002.JPG", Photo(200000, '2'));
  WriteFile(backing / "card/IMG_0003.JPG", Photo(1000, '3'));
  const FaultFsResult result = RunOnFaultFs(
      backing.path(), FaultMode::kReadFailsAfter, 50000, [&](const std::string& mount) {
        Job job(mount + "/card", cases.path());
        Checks check;
        check.That(job.copy_boxes.size() == 1 &&
                       job.copy_boxes[0].text.ends_with(" in StartMassCopy") &&
                       job.copy_boxes[0].style == 48 && job.copy_boxes[0].title == "Error",
                   "one error box for the pulled card: " +
                       (job.copy_boxes.empty() ? std::string() : job.copy_boxes[0].text));
        check.Equal(Names(job.CaseFolder()), std::vector<std::string>{"IMG_0001.JPG"},
                    "the copy before stays, nothing partial is left");
        check.Equal(job.h.txtMessage.text, std::string(kImportError), "the error text");
        check.That(!job.delete_boxes.empty() && job.delete_boxes[0].title == "Not copied",
                   "Delete asks about the photos not copied");
        return check.failure();
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(cases / "0815_Desk_2008-03-02/IMG_0001.JPG"), Photo(1000, '1'));
}

// The card goes away altogether while the second photo is read: the box says the device is
// gone (68), not that a spot on it is damaged (57) as above, and no copy takes a name it has
// not proved.
TEST(CopyOnFaultFs, ACardThatGoesAwayMidCopyIsAnUnavailableDevice) {
  TempDir cases, backing;
  WriteFile(backing / "card/IMG_0001.JPG", Photo(1000, '1'));
  WriteFile(backing / "card/IMG_0002.JPG", Photo(200000, '2'));
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kGoneAfter, 50000, [&](const std::string& mount) {
        testing::Harness h;
        h.form->strSavePath = cases.path();
        h.form->strSourcePath = mount + "/card";
        h.form->strRenameSwitch = "False";
        h.txtIncidentNumber.text = "0815";
        h.txtUser.text = "Desk";
        h.txtDate.text = "2008-03-02";
        h.form->cmdStartCopy_Click();
        Checks check;
        check.Equal(
            h.desktop.boxes,
            std::vector<MessageBoxCall>{{"68 Device unavailable in StartMassCopy", 48, "Error"}},
            "one box naming the device gone: " +
                (h.desktop.boxes.empty() ? std::string() : h.desktop.boxes[0].text));
        return check.failure();
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
  for (const std::string& name : Names(cases / "0815_Desk_2008-03-02")) {
    EXPECT_EQ(name, "IMG_0001.JPG");
    EXPECT_EQ(ReadFile(cases / "0815_Desk_2008-03-02/IMG_0001.JPG"), Photo(1000, '1'));
  }
}

// A disk that keeps only its first 3000 bytes of a file while it reports every write done.
TEST(CopyOnFaultFs, ADiskThatDropsWritesPastItsSizeIsCaught) {
  TempDir card, backing;
  WriteFile(card / "IMG_0001.JPG", Photo(1000, '1'));
  WriteFile(card / "IMG_0002.JPG", Photo(100000, '2'));
  const FaultFsResult result = RunOnFaultFs(
      backing.path(), FaultMode::kDropWritesBeyond, 3000, [&](const std::string& mount) {
        fs::create_directory(mount + "/cases");
        Job job(card.path(), mount + "/cases");
        Checks check;
        check.Equal(job.copy_boxes, std::vector<MessageBoxCall>{Differs("IMG_0002.JPG")},
                    "the question for the photo cut short");
        check.Equal(Names(job.CaseFolder()), std::vector<std::string>{"IMG_0001.JPG"},
                    "the short copy never takes the name");
        check.Equal(job.h.txtMessage.text, std::string(kImportError), "the error text");
        check.That(!job.delete_boxes.empty() &&
                       job.delete_boxes[0].text ==
                           "1 photo or video in " + card.path() +
                               " has no verified copy: IMG_0002.JPG.  Do you want to delete "
                               "anyway?",
                   "Delete names the photo not copied");
        return check.failure();
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
}

}  // namespace
}  // namespace pixferry
