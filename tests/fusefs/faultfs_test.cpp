// The fault file system's self-tests: a body's failure reaches the test, and the media that no
// copy test shows whole store and refuse what they would. The faults the copy meets are exercised
// by the copy's own tests on them, which fail unless the fault shows past the cache.
#include "tests/support/faultfs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "tests/support/tempdir.h"

namespace pixferry::testing {
namespace {

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

// "" when opening path with flags fails with EROFS, else what happened.
std::string RefusedReadOnly(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
  return fd < 0 && errno == EROFS ? "" : path + " opened for writing; ";
}

// Each medium is given the files `before` in its backing folder, the body does its work on the
// mount (written files closed one after the other, so their data reaches the medium in that
// order), and the backing folder then holds `after`.
TEST(FaultFsTest, EachMediumStoresWhatItWould) {
  using Files = std::map<std::string, std::string>;
  std::string later(6000, '\0');
  for (std::size_t i = 0; i < later.size(); ++i) later[i] = static_cast<char>('0' + i % 61);
  const std::string earlier(6000, 'e');
  const struct Case {
    const char* medium;
    FaultMode mode;
    std::uint64_t limit;
    Files before;
    std::function<std::string(const std::string&)> body;
    Files after;
  } cases[] = {
      // 10,000 bytes real: the later file's last 2,000 bytes are stored over the earlier's first
      // 2,000, and an opening of the earlier file reads them.
      {"a disk that wraps around",
       FaultMode::kWrapsAround,
       10000,
       {},
       [&](const std::string& mount) {
         WriteFile(mount + "/earlier", earlier);
         WriteFile(mount + "/sub/later", later);
         return ReadFile(mount + "/earlier") == later.substr(4000) + earlier.substr(2000)
                    ? ""
                    : "the earlier file does not read as stored";
       },
       {{"earlier", later.substr(4000) + earlier.substr(2000)}, {"sub/later", later}}},
      {"a card",
       FaultMode::kCard,
       0,
       {{"DCIM/IMG_0001.JPG", later}},
       [&](const std::string& mount) {
         const std::string photo = mount + "/DCIM/IMG_0001.JPG";
         std::string refused = RefusedReadOnly(photo, O_WRONLY) + RefusedReadOnly(photo, O_RDWR) +
                               RefusedReadOnly(mount + "/DCIM/new", O_WRONLY | O_CREAT);
         if (mkdir((mount + "/DCIM/folder").c_str(), 0755) == 0 || errno != EROFS) {
           refused += "a folder was made";
         }
         if (!refused.empty()) return refused;
         return ReadFile(photo) == later ? std::string() : "the photo does not read whole";
       },
       {{"DCIM/IMG_0001.JPG", later}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.medium);
    TempDir backing;
    for (const auto& [name, content] : c.before) WriteFile(backing / name, content);
    const FaultFsResult result = RunOnFaultFs(backing.path(), c.mode, c.limit, c.body);
    SKIP_UNLESS_RAN(result);
    EXPECT_EQ(result.failure, "");
    for (const auto& [name, content] : c.after) {
      EXPECT_TRUE(ReadFile(backing / name) == content) << name << " is not as stored";
    }
    EXPECT_FALSE(Exists(backing / "DCIM/folder"));
  }
}

}  // namespace
}  // namespace pixferry::testing
