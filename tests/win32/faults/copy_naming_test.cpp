// The Windows copy's last steps under what Wine never does: a folder that refuses its flush, and
// a read-only copy whose name another program takes at the moment of its rename.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/copy.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "tests/support/tempdir.h"
#include "tests/win32/strict_calls.h"

namespace pixferry {
namespace {

using namespace testing;

// FAT and exFAT may refuse to flush a folder, in any of these ways; each copy's own flush after
// its rename takes its name to the medium there. A failure of the medium itself fails them.
TEST(CopyNaming, AFolderThatCannotBeFlushedHasEachCopyFlushedAgainOnceNamed) {
  for (const auto& [refusal, error] : {std::pair<DWORD, int>{ERROR_ACCESS_DENIED, 0},
                                       {ERROR_INVALID_FUNCTION, 0},
                                       {ERROR_NOT_SUPPORTED, 0},
                                       {ERROR_IO_DEVICE, err::kDeviceIoError}}) {
    SCOPED_TRACE(refusal);
    TempDir card, cases;
    sys::RefuseFolderFlushes(refusal);
    CopyJob job;
    for (const char* name : {"A.JPG", "B.JPG"}) {
      WriteFile(card / name, name);
      job.Add(card / name, cases / name);
    }
    const std::vector<CopyOutcome> outcomes = job.Finish();
    EXPECT_EQ(sys::FilesFlushed(), error == 0 ? 4 : 2);  // before the renames, and after
    sys::RefuseFolderFlushes(ERROR_SUCCESS);
    ASSERT_EQ(outcomes.size(), 2u);
    for (const CopyOutcome& outcome : outcomes) {
      EXPECT_EQ(outcome.verified, error == 0);
      EXPECT_EQ(outcome.error, error);
    }
  }
}

// The copy waits, proved, for another name; when the job ends without one it goes, read-only as
// it is, and the file that took the name stays.
TEST(CopyNaming, AReadOnlyCopyWhoseNameWasTakenLeavesNothingBehind) {
  TempDir card, cases;
  WriteFile(card / "a.jpg", "a");
  ASSERT_TRUE(::SetFileAttributesW(Widen(card / "a.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
  faults::Disarm();
  faults::OnCall(faults::Op::CopyRename, 1, [&] { WriteFile(cases / "c.jpg", "taken"); });
  {
    CopyJob job;
    job.Add(card / "a.jpg", cases / "c.jpg");
    const CopyOutcome outcome = job.Finish().at(0);
    EXPECT_FALSE(outcome.verified);
    EXPECT_EQ(outcome.error, err::kFileAlreadyExists);
  }
  faults::Disarm();
  ::SetFileAttributesW(Widen(card / "a.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(AllNames(cases.path()), Names{"c.jpg"});
  EXPECT_EQ(ReadFile(cases / "c.jpg"), "taken");
}

}  // namespace
}  // namespace pixferry
