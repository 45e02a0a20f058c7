// Delete's look at the copies on a disk that stores a byte wrong behind a right cache, as a disk
// that wraps around overwrites earlier copies while their pages stay cached: each copy is read
// from the storage, so the photo whose copy no longer holds it is named.
#include <gtest/gtest.h>

#include <algorithm>
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
using Boxes = std::vector<MessageBoxCall>;

TEST(NotCopiedOnFaultFs, ACopyTheStorageLostBehindItsCacheIsNamed) {
  TempDir card, backing;
  WriteFile(card / "IMG_0001.JPG", JpegBytes() + std::string(200, '1'));
  WriteFile(card / "IMG_0002.JPG", "short: its stored bytes are right");
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, 100, [&](const std::string& mount) {
        Harness h;
        h.form->strSourcePath = card.path();
        h.form->strSavePath = mount + "/cases";
        for (const std::string name : {"IMG_0001.JPG", "IMG_0002.JPG"}) {
          const std::string bytes = ReadFile(card / name);
          const std::string copy = mount + "/cases/0815/" + name;
          WriteFile(copy, bytes);
          h.form->verified_copies.Add(card / name, StampAt(card / name), copy, Sha256Of(bytes));
        }
        h.desktop.answers = {mb::kAnswerNo};
        h.form->cmdDelete_Click();
        const Boxes named{
            {"1 photo, video or sound recording in " + card.path() +
                 " has no verified copy: IMG_0001.JPG.  Do you want to delete anyway?",
             308, "Not copied"}};
        return h.desktop.boxes == named ? std::string()
                                        : "asked: " + ::testing::PrintToString(h.desktop.boxes);
      });
  if (!result.ran) GTEST_SKIP() << result.skip_reason;
  EXPECT_EQ(result.failure, "");
}

// A counterfeit disk that holds 1 MiB: each copy is proved before the next is written (one in
// flight), so Start succeeds, and the later copies overwrite the earlier ones. Delete reads every
// copy again from the storage and names exactly the photos whose copies no longer hold them.
TEST(NotCopiedOnFaultFs, OnADiskThatWrapsAroundDeleteNamesTheCopiesOverwritten) {
  TempDir card, backing;
  std::vector<std::string> names;
  for (char i = '1'; i <= '6'; ++i) {
    names.push_back(std::string("IMG_000") + i + ".JPG");
    WriteFile(card / names.back(), JpegBytes() + std::string(300'000, i));
  }
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kWrapsAround, 1 << 20, [&](const std::string& mount) {
        Harness h;
        h.form->strSourcePath = card.path();
        h.form->strSavePath = mount;
        h.form->strRenameSwitch = "False";
        h.form->copy_job_limits.files = 1;
        h.txtIncidentNumber.text = "0815";
        h.txtUser.text = "Desk";
        h.txtDate.text = "2008-03-02";
        h.form->cmdStartCopy_Click();
        if (h.txtMessage.text != kCopied) {
          return "Start said: " + h.txtMessage.text;
        }
        std::vector<std::string> lost;
        for (const std::string& name : names) {
          if (ReadFile(mount + "/0815_Desk_2008-03-02/" + name) != ReadFile(card / name)) {
            lost.push_back(name);
          }
        }
        if (lost.empty()) return std::string("the disk overwrote no copy");
        h.desktop.answers = {mb::kAnswerNo};
        h.form->cmdDelete_Click();
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
        return h.desktop.boxes == named ? std::string()
                                        : "asked: " + ::testing::PrintToString(h.desktop.boxes);
      });
  if (!result.ran) GTEST_SKIP() << result.skip_reason;
  EXPECT_EQ(result.failure, "");
}

}  // namespace
}  // namespace pixferry
