// The fault file system's self-test: a body's failure reaches the test. Each fault is exercised
// by the copy's own tests on it, which fail unless the fault shows past the cache.
#include "tests/support/faultfs.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tests/support/tempdir.h"

namespace pixferry::testing {
namespace {

#define SKIP_UNLESS_RAN(result) \
  if (!(result).ran) GTEST_SKIP() << (result).skip_reason

// Otherwise a copy test on the file system could pass with its checks unseen.
TEST(FaultFsTest, ReportsTheBodysFailureAndExceptions) {
  TempDir backing;
  const FaultFsResult failed =
      RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, 0,
                   [](const std::string&) -> std::string { return "the copy was wrong"; });
  SKIP_UNLESS_RAN(failed);
  EXPECT_EQ(failed.failure, "the copy was wrong");
  const FaultFsResult threw = RunOnFaultFs(
      backing.path(), FaultMode::kCorruptStored, 0,
      [](const std::string&) -> std::string { throw std::runtime_error("out of memory"); });
  EXPECT_EQ(threw.failure, "the body threw: out of memory");
}

}  // namespace
}  // namespace pixferry::testing
