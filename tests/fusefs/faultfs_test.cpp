// The fault file system's self-test: a write fault is really stored behind a right cache, and a
// body's failure reaches the test. The card that goes away and the plain operations a copy needs
// are exercised by the copy's own tests on it.
#include "tests/support/faultfs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "tests/support/tempdir.h"

namespace pixferry::testing {
namespace {

#define SKIP_UNLESS_RAN(result) \
  if (!(result).ran) GTEST_SKIP() << (result).skip_reason

// Makes the next read of path come from the file system, not the page cache.
bool DropCache(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0 && posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
  close(fd);
  return ok;
}

// A byte stored wrong, or the bytes past the limit dropped while the writes report success: the
// writer's cache holds what was written, and only a read from the storage sees the fault.
TEST(FaultFsTest, AWriteFaultShowsOnlyPastTheCache) {
  constexpr std::size_t kLimit = 100000;
  const std::string written(300000, 'w');
  std::string wrong_byte = written;
  wrong_byte[kLimit] = static_cast<char>(~wrong_byte[kLimit]);
  const std::string dropped =
      written.substr(0, kLimit) + std::string(written.size() - kLimit, '\0');
  for (const auto& [mode, stored] : {std::pair{FaultMode::kCorruptStored, wrong_byte},
                                     std::pair{FaultMode::kDropWritesBeyond, dropped}}) {
    SCOPED_TRACE(static_cast<int>(mode));
    TempDir backing;
    const FaultFsResult result =
        RunOnFaultFs(backing.path(), mode, kLimit, [&](const std::string& mount) -> std::string {
          const std::string photo = mount + "/photo.jpg";
          WriteFile(photo, written);  // ends the child if a write fails
          if (ReadFile(photo) != written) return "the cache does not hold what was written";
          if (!DropCache(photo)) return "cannot drop the cache";
          return ReadFile(photo) == stored ? "" : "past the cache the fault does not show";
        });
    SKIP_UNLESS_RAN(result);
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(ReadFile(backing / "photo.jpg"), stored);
  }
}

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
