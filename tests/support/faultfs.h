// The tests' use of the project's FUSE file system (tools/fusefs): it passes every operation
// through to a backing folder except the one fault it was mounted with. POSIX with libfuse3 only:
// a test program links pixferry_faultfs, which defines PIXFERRY_HAVE_FAULTFS, and skips where
// FUSE cannot be used:
//   const FaultFsResult result = RunOnFaultFs(backing, FaultMode::kCorruptStored, 0, body);
//   SKIP_UNLESS_RAN(result);
//   EXPECT_EQ(result.failure, "");
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/fusefs/pass_fs.h"

namespace pixferry::testing {

// The faults, and the card at its default speed.
using FaultMode = fusefs::Mode;

struct FaultFsResult {
  bool ran = false;  // false: FUSE cannot be used here, skip_reason says why
  std::string skip_reason;
  std::string failure;  // empty when the body succeeded and the file system came down clean
};

// Forks a child that enters its own user and mount namespaces, mounts the file system over
// `backing` at a fresh mount point and calls body(mount_point) there; the body returns "" for
// success or a text saying what went wrong (gtest assertions in the body are lost with the
// child). The child is killed after 60 s. The parent can look at `backing` afterwards to see
// what was really stored.
FaultFsResult RunOnFaultFs(const std::string& backing, FaultMode mode, std::uint64_t limit,
                           const std::function<std::string(const std::string&)>& body);

#define SKIP_UNLESS_RAN(result) \
  if (!(result).ran) GTEST_SKIP() << (result).skip_reason

}  // namespace pixferry::testing
