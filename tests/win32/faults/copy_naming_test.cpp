// The Windows copy's last step under a refusal Wine never makes: a named copy counts once its
// name is on the medium.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/copy.h"
#include "platform/files.h"
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
    CopyGroup group;
    for (const char* name : {"A.JPG", "B.JPG"}) {
      WriteFile(card / name, name);
      group.Add(card / name, cases / name);
    }
    sys::RefuseFolderFlushes(refusal);
    const std::vector<CopyOutcome> outcomes = group.Commit();
    EXPECT_EQ(sys::FilesFlushed(), error == 0 ? 4 : 2);  // before the renames, and after
    sys::RefuseFolderFlushes(ERROR_SUCCESS);
    for (const CopyOutcome& outcome : outcomes) {
      EXPECT_EQ(outcome.verified, error == 0);
      EXPECT_EQ(outcome.error, error);
    }
  }
}

}  // namespace
}  // namespace pixferry
