// Delete's look at the copies on a disk that stores a byte wrong behind a right cache, as a disk
// that wraps around overwrites earlier copies while their pages stay cached: each copy is read
// from the storage, so the photo whose copy no longer holds it is named.
#include <gtest/gtest.h>

#include <string>

#include "app/frmMain.h"
#include "tests/support/fakes.h"
#include "tests/support/faultfs.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

using namespace testing;

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

}  // namespace
}  // namespace pixferry
