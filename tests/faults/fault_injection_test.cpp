// File faults, one per kind and place, injected into the platform layer: what
// the operator is told, that no file is left partial, that nothing good is lost, and that the
// next click works again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "tests/faults/card_job.h"
#include "tests/support/fakes.h"
#include "tests/support/messages.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using faults::Op;
using namespace testing;

// Five photos.
struct Faults : ::testing::Test, CardJob {
  Faults() : CardJob(5) {}
};

// The disk fills up part-way through an overwrite: the copy made earlier stays whole, and the
// run ends there.
TEST_F(Faults, AnOverwriteWhoseCopyFailsKeepsTheOldFile) {
  WriteFile(CaseFolder() + kSep + Name(1), "an earlier good copy");
  h.desktop.answers = {mb::kAnswerYes};
  faults::Arm(Op::CopyWrite, 1, err::kDiskFull);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes.back(), (MessageBoxCall{"61 Disk full in StartMassCopy", 48, "Error"}));
  EXPECT_EQ(AllNames(CaseFolder()), Names{Name(1)});
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + Name(1)), "an earlier good copy");
}

// With renaming on, another run takes a serial number at the very moment of a rename: that copy,
// proved already, moves on to the next free number without the card being read again, and the
// run is a success.
TEST_F(Faults, ASerialNumberTakenAtTheRenameMovesOnToTheNextFreeOne) {
  form.strRenameSwitch = "True";
  const auto serial = [&](int n) {
    return CaseFolder() + kSep + "0000000" + std::to_string(n) + ".JPG";
  };
  // The second rename is photo 2's to 2.
  faults::OnCall(Op::CopyRename, 2, [&] { WriteFile(serial(2), "another run's"); });
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, Boxes{});
  EXPECT_EQ(h.txtMessage.text, kCopied);
  EXPECT_EQ(faults::Calls(Op::CopyOpen), 5);
  EXPECT_EQ(ReadFile(serial(2)), "another run's");
  Names copies;
  for (int n : {1, 3, 4, 5, 6}) copies.push_back(ReadFile(serial(n)));
  std::sort(copies.begin(), copies.end());
  EXPECT_EQ(copies, (Names{Photo(1), Photo(2), Photo(3), Photo(4), Photo(5)}));
}

// A serial name that can never be given (every rename finds it taken) ends the run, not a loop.
TEST_F(Faults, ANameNeverGivenEndsTheRun) {
  form.strRenameSwitch = "True";
  faults::ArmFrom(Op::CopyRename, 1, err::kFileAlreadyExists);
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes, (Boxes{{"58 File already exists in StartMassCopy", 48, "Error"}}));
  EXPECT_EQ(h.txtMessage.text, kImportError);
}

}  // namespace
}  // namespace pixferry
