#include "tests/support/faultfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <string>

#include "tests/support/tempdir.h"

namespace pixferry::testing {
namespace {

constexpr long kFuseMagic = 0x65735546;
constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

// Bytes that differ from their neighbours and never repeat within a page.
std::string Pattern(std::size_t size, unsigned seed = 7) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed;
  for (char& c : bytes) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

// An open descriptor, closed on every way out of the body.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

std::string Why(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

std::string WriteWhole(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return Why("write");
    done += static_cast<std::size_t>(n);
  }
  return "";
}

// Reads from offset 0 to the end of the file or the first error; error holds its errno.
struct ReadResult {
  std::string bytes;
  int error = 0;
};
ReadResult ReadFrom(int fd, std::size_t chunk = 65536) {
  ReadResult result;
  std::string buffer(chunk, '\0');
  for (off_t offset = 0;;) {
    const ssize_t n = pread(fd, buffer.data(), chunk, offset);
    if (n < 0) {
      result.error = errno;
      return result;
    }
    if (n == 0) return result;
    result.bytes.append(buffer.data(), static_cast<std::size_t>(n));
    offset += n;
  }
}

// Makes the next read of the file come from the file system, not the page cache.
std::string DropCache(int fd) {
  if (fsync(fd) != 0) return Why("fsync");
  const int rc = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  return rc == 0 ? "" : std::string("posix_fadvise: ") + std::strerror(rc);
}

// Where the first difference lies, for a readable failure text.
std::string Compare(const std::string& what, const std::string& got, const std::string& want) {
  if (got == want) return "";
  std::size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  return what + ": " + std::to_string(got.size()) + " bytes, expected " +
         std::to_string(want.size()) + "; first difference at " + std::to_string(at);
}

#define SKIP_UNLESS_RAN(result) \
  if (!(result).ran) GTEST_SKIP() << (result).skip_reason

TEST(FaultFsTest, MountIsFuseOverTheBackingFolder) {
  TempDir backing;
  WriteFile(backing / "before.jpg", "old bytes");
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, kNoLimit,
                   [&](const std::string& mount) -> std::string {
                     struct statfs fs {};
                     if (statfs(mount.c_str(), &fs) != 0) return Why("statfs");
                     if (fs.f_type != kFuseMagic) return "the mount point is not a FUSE mount";
                     struct stat mounted {
                     }, original{};
                     if (stat(mount.c_str(), &mounted) != 0) return Why("stat mount");
                     if (stat(backing.path().c_str(), &original) != 0) return Why("stat");
                     if (mounted.st_dev == original.st_dev) return "same device as backing";
                     return Compare("before.jpg", ReadFile(mount + "/before.jpg"), "old bytes");
                   });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
}

TEST(FaultFsTest, PassesThroughWhatACopyDoes) {
  TempDir backing;
  const std::string content = Pattern(300000);
  const FaultFsResult result = RunOnFaultFs(
      backing.path(), FaultMode::kDropWritesBeyond, kNoLimit,
      [&](const std::string& mount) -> std::string {
        if (mkdir((mount + "/case").c_str(), 0755) != 0) return Why("mkdir");
        const std::string temp = mount + "/case/.part";
        Fd out(open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!out.ok()) return Why("create");
        if (open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644) >= 0 ||
            errno != EEXIST) {
          return "a second exclusive create did not fail with EEXIST";
        }
        if (flock(out.get(), LOCK_EX | LOCK_NB) != 0) return Why("flock");
        {
          Fd other(open(temp.c_str(), O_RDONLY | O_CLOEXEC));
          if (flock(other.get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) {
            return "a second open took the lock the first holds";
          }
        }
        if (std::string e = WriteWhole(out.get(), content); !e.empty()) return e;
        if (fdatasync(out.get()) != 0) return Why("fdatasync");
        if (fchmod(out.get(), 0600) != 0) return Why("fchmod");
        if (std::string e = DropCache(out.get()); !e.empty()) return e;
        if (std::string e = Compare("read back", ReadFrom(out.get()).bytes, content); !e.empty()) {
          return e;
        }
        WriteFile(mount + "/case/taken.jpg", "taken");
        if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, (mount + "/case/taken.jpg").c_str(),
                      RENAME_NOREPLACE) == 0 ||
            errno != EEXIST) {
          return "a rename without replacing went over an existing name";
        }
        if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, (mount + "/case/photo.jpg").c_str(),
                      RENAME_NOREPLACE) != 0) {
          return Why("rename");
        }
        {
          // Unlinked while open, as a copy's temporary can be: gone from the backing folder too.
          Fd held(open((mount + "/case/taken.jpg").c_str(), O_RDONLY | O_CLOEXEC));
          if (unlink((mount + "/case/taken.jpg").c_str()) != 0) return Why("unlink");
          std::set<std::string> stored;
          for (const auto& entry : std::filesystem::directory_iterator(backing / "case")) {
            stored.insert(entry.path().filename().string());
          }
          if (stored != std::set<std::string>{"photo.jpg"}) return "an unlinked open file stayed";
        }
        if (truncate((mount + "/case/photo.jpg").c_str(), 200000) != 0) return Why("truncate");
        const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        if (utimensat(AT_FDCWD, (mount + "/case/photo.jpg").c_str(), times, 0) != 0) {
          return Why("utimensat");
        }
        mkdir((mount + "/gone").c_str(), 0755);
        if (rmdir((mount + "/gone").c_str()) != 0) return Why("rmdir");
        std::set<std::string> names;
        DIR* dir = opendir((mount + "/case").c_str());
        if (dir == nullptr) return Why("opendir");
        while (const dirent* entry = readdir(dir)) names.insert(entry->d_name);
        closedir(dir);
        if (names != std::set<std::string>{".", "..", "photo.jpg"}) return "wrong listing";
        struct statvfs space {};
        if (statvfs(mount.c_str(), &space) != 0 || space.f_blocks == 0) return Why("statvfs");
        return "";
      });
  SKIP_UNLESS_RAN(result);
  ASSERT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(backing / "case/photo.jpg"), content.substr(0, 200000));
  EXPECT_FALSE(Exists(backing / "case/.part"));
  EXPECT_FALSE(Exists(backing / "case/taken.jpg"));
  EXPECT_FALSE(Exists(backing / "gone"));
  std::set<std::string> stored;
  for (const auto& entry : std::filesystem::directory_iterator(backing / "case")) {
    stored.insert(entry.path().filename().string());
  }
  EXPECT_EQ(stored, std::set<std::string>{"photo.jpg"});
  struct stat st {};
  ASSERT_EQ(stat((backing / "case/photo.jpg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
}

TEST(FaultFsTest, CorruptStoredShowsOnlyPastTheCache) {
  TempDir backing;
  constexpr std::uint64_t kWrongAt = 5000;
  const std::string content = Pattern(100000);
  std::string stored = content;
  stored[kWrongAt] = static_cast<char>(~stored[kWrongAt]);
  const FaultFsResult result = RunOnFaultFs(
      backing.path(), FaultMode::kCorruptStored, kWrongAt,
      [&](const std::string& mount) -> std::string {
        const std::string path = mount + "/photo.jpg";
        Fd out(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!out.ok()) return Why("create");
        if (std::string e = WriteWhole(out.get(), content); !e.empty()) return e;
        if (fsync(out.get()) != 0) return Why("fsync");
        // Once on the storage, the writer's cache still holds what it wrote.
        if (std::string e = Compare("through the writer", ReadFrom(out.get()).bytes, content);
            !e.empty()) {
          return e;
        }
        {
          Fd again(open(path.c_str(), O_RDONLY | O_CLOEXEC));
          if (std::string e = Compare("through a reopen", ReadFrom(again.get()).bytes, content);
              !e.empty()) {
            return e;
          }
        }
        // O_DIRECT wants aligned buffers and lengths.
        {
          Fd direct(open(path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
          if (!direct.ok()) return Why("open O_DIRECT");
          void* buffer = nullptr;
          constexpr std::size_t kSize = 1 << 17;
          if (posix_memalign(&buffer, 4096, kSize) != 0) return "posix_memalign";
          const ssize_t n = pread(direct.get(), buffer, kSize, 0);
          const std::string got(static_cast<char*>(buffer),
                                n > 0 ? static_cast<std::size_t>(n) : 0);
          free(buffer);
          if (n < 0) return Why("pread O_DIRECT");
          if (std::string e = Compare("with O_DIRECT", got, stored); !e.empty()) return e;
        }
        if (std::string e = DropCache(out.get()); !e.empty()) return e;
        return Compare("after dropping the cache", ReadFrom(out.get()).bytes, stored);
      });
  SKIP_UNLESS_RAN(result);
  ASSERT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(backing / "photo.jpg"), stored);
}

TEST(FaultFsTest, CorruptStoredSparesFilesShorterThanTheOffset) {
  TempDir backing;
  const std::string content = Pattern(4000);
  const FaultFsResult result = RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, 4000,
                                            [&](const std::string& mount) -> std::string {
                                              WriteFile(mount + "/small.jpg", content);
                                              return "";
                                            });
  SKIP_UNLESS_RAN(result);
  ASSERT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(backing / "small.jpg"), content);
}

TEST(FaultFsTest, ReadFailsAfterTheLimitWithEio) {
  TempDir backing;
  constexpr std::uint64_t kLimit = 300000;
  const std::string large = Pattern(1 << 20);
  const std::string small = Pattern(kLimit, 3);
  WriteFile(backing / "large.jpg", large);
  WriteFile(backing / "small.jpg", small);
  const FaultFsResult result =
      RunOnFaultFs(backing.path(), FaultMode::kReadFailsAfter, kLimit,
                   [&](const std::string& mount) -> std::string {
                     Fd in(open((mount + "/large.jpg").c_str(), O_RDONLY | O_CLOEXEC));
                     if (!in.ok()) return Why("open large");
                     const ReadResult got = ReadFrom(in.get());
                     if (got.error != EIO) return "reading past the limit did not fail with EIO";
                     if (got.bytes.size() > kLimit) return "read past the limit";
                     if (got.bytes != large.substr(0, got.bytes.size()))
                       return "wrong bytes before the limit";
                     Fd whole(open((mount + "/small.jpg").c_str(), O_RDONLY | O_CLOEXEC));
                     const ReadResult all = ReadFrom(whole.get());
                     if (all.error != 0) return "a file no longer than the limit failed to read";
                     return Compare("small file", all.bytes, small);
                   });
  SKIP_UNLESS_RAN(result);
  EXPECT_EQ(result.failure, "");
}

TEST(FaultFsTest, DropWritesBeyondReportsSuccessAndStoresZeros) {
  TempDir backing;
  constexpr std::uint64_t kLimit = 100000;
  const std::string content = Pattern(300000);
  std::string stored = content.substr(0, kLimit) + std::string(content.size() - kLimit, '\0');
  const FaultFsResult result = RunOnFaultFs(
      backing.path(), FaultMode::kDropWritesBeyond, kLimit,
      [&](const std::string& mount) -> std::string {
        Fd out(open((mount + "/clip.mpg").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!out.ok()) return Why("create");
        if (std::string e = WriteWhole(out.get(), content); !e.empty()) return e;
        if (fsync(out.get()) != 0) return Why("fsync");
        struct stat st {};
        if (fstat(out.get(), &st) != 0) return Why("fstat");
        if (static_cast<std::size_t>(st.st_size) != content.size()) return "wrong size";
        Fd in(open((mount + "/clip.mpg").c_str(), O_RDONLY | O_CLOEXEC));
        if (std::string e = DropCache(in.get()); !e.empty()) return e;
        return Compare("read back", ReadFrom(in.get()).bytes, stored);
      });
  SKIP_UNLESS_RAN(result);
  ASSERT_EQ(result.failure, "");
  EXPECT_EQ(ReadFile(backing / "clip.mpg"), stored);
}

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
  EXPECT_TRUE(threw.ran);
  EXPECT_EQ(threw.failure, "the body threw: out of memory");
}

TEST(FaultFsTest, AFileLeftOpenIsReported) {
  TempDir backing;
  const FaultFsResult result = RunOnFaultFs(
      backing.path(), FaultMode::kCorruptStored, 0, [](const std::string& mount) -> std::string {
        const int fd = open((mount + "/x").c_str(), O_WRONLY | O_CREAT, 0644);
        return fd >= 0 ? "" : Why("create");
      });
  SKIP_UNLESS_RAN(result);
  EXPECT_NE(result.failure.find("the mount stayed busy"), std::string::npos) << result.failure;
}

TEST(FaultFsTest, MountDoesNotShowOutsideTheChild) {
  TempDir backing;
  std::string seen;
  const FaultFsResult result = RunOnFaultFs(backing.path(), FaultMode::kCorruptStored, 0,
                                            [&](const std::string& mount) -> std::string {
                                              seen = mount;
                                              return "";
                                            });
  SKIP_UNLESS_RAN(result);
  ASSERT_EQ(result.failure, "");
  // The body ran in the child: the parent's copy of `seen` is untouched, and no mount remains.
  EXPECT_EQ(seen, "");
  EXPECT_EQ(ReadFile("/proc/self/mounts").find("pixferry-faultfs"), std::string::npos);
}

}  // namespace
}  // namespace pixferry::testing
