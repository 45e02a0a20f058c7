#include "tests/support/faultfs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

#include "tests/support/namespaces.h"
#include "tools/fusefs/served_mount.h"

namespace pixferry::testing {
namespace {

constexpr auto kPatience = std::chrono::seconds(60);

// What the child tells the parent: a tag, then a text.
constexpr char kPassed = 'P';
constexpr char kFailed = 'F';
constexpr char kSkipped = 'S';

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

[[noreturn]] void ReportAndExit(int fd, char tag, const std::string& text) {
  fusefs::WriteAll(fd, tag + text);
  _exit(0);
}

[[noreturn]] void RunChild(int report_fd, const std::string& backing,
                           const std::string& mount_point, FaultMode mode, std::uint64_t limit,
                           const std::function<std::string(const std::string&)>& body) {
  // Root can always mount FUSE once /dev/fuse opens; anyone else may be barred by policy.
  const bool was_root = geteuid() == 0;
  if (const std::string reason = EnterMountNamespace(); !reason.empty())
    ReportAndExit(report_fd, kSkipped, reason);
  const int device = open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (device < 0) ReportAndExit(report_fd, kSkipped, Errno("cannot open /dev/fuse"));
  close(device);
  // The file system is served by a process of its own: one that used the mount and served it
  // too would, on its way out, wait for itself to answer the close of a file left open.
  fusefs::ServedMount served(backing, mount_point, {mode, limit, {}});
  if (!served.mounted()) ReportAndExit(report_fd, was_root ? kFailed : kSkipped, served.error());
  std::string failure;
  try {
    failure = body(mount_point);
  } catch (const std::exception& e) {
    failure = std::string("the body threw: ") + e.what();
  } catch (...) {
    failure = "the body threw";
  }
  // The unmount writes back what the kernel still caches, through the running server.
  const std::string problem = served.Unmount();
  if (failure.empty()) failure = problem;
  ReportAndExit(report_fd, failure.empty() ? kPassed : kFailed, failure);
}

// Reads the child's report until it closes its end or the patience runs out.
bool ReadReport(int fd, std::string& report) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    report.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

FaultFsResult RunOnFaultFs(const std::string& backing, FaultMode mode, std::uint64_t limit,
                           const std::function<std::string(const std::string&)>& body) {
  if (access("/dev/fuse", F_OK) != 0) return {false, "no /dev/fuse on this system", ""};
  FaultFsResult result{true, "", ""};
  std::string mount_point = (std::filesystem::temp_directory_path() / "pixferry-mount-XXXXXX");
  if (mkdtemp(mount_point.data()) == nullptr) return {true, "", Errno("cannot make a mount point")};
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    result.failure = Errno("pipe");
    rmdir(mount_point.c_str());
    return result;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    RunChild(pipe_fds[1], backing, mount_point, mode, limit, body);
  }
  close(pipe_fds[1]);
  std::string report;
  const bool finished = child > 0 && ReadReport(pipe_fds[0], report);
  close(pipe_fds[0]);
  if (child < 0) {
    result.failure = Errno("fork");
  } else {
    // A child stuck on its mount is killed, and its file system's process dies with it.
    int status = 0;
    if (!finished) kill(child, SIGKILL);
    fusefs::Reap(child, std::chrono::seconds(10), &status);
    if (!finished) {
      result.failure = "the fault file system's process took longer than 60 s and was killed";
    } else if (report.empty()) {
      result.failure =
          WIFSIGNALED(status)
              ? "the fault file system's process died of signal " + std::to_string(WTERMSIG(status))
              : "the fault file system's process ended without a report";
    } else if (report[0] == kSkipped) {
      result.ran = false;
      result.skip_reason = report.substr(1);
    } else if (report[0] == kFailed) {
      result.failure = report.substr(1);
      if (result.failure.empty()) result.failure = "failed without saying why";
    }
  }
  // Only ever an empty folder: rmdir refuses anything else.
  rmdir(mount_point.c_str());
  return result;
}

}  // namespace pixferry::testing
