#include "tools/fusefs/served_mount.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace pixferry::fusefs {
namespace {

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// The file system's own process: it mounts, says so on `ready` ("M", or "E" and why not) and
// serves until the mount goes away.
[[noreturn]] void RunServer(int ready_fd, pid_t parent, const std::string& backing,
                            const std::string& mount_point, const Options& options) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(1);
  {
    PassFs fs(backing, mount_point, options);
    WriteAll(ready_fd, (fs.mounted() ? "M" : "E") + fs.error());
    close(ready_fd);
    fs.Serve();
  }
  _exit(0);
}

// Who is not root unmounts through fusermount3, as libfuse mounted for them.
bool UnmountAsUser(const std::string& mount_point, bool lazy) {
  std::vector<const char*> argv{"fusermount3", "-u"};
  if (lazy) argv.push_back("-z");
  argv.insert(argv.end(), {"--", mount_point.c_str(), nullptr});
  pid_t pid = 0;
  if (posix_spawnp(&pid, "fusermount3", nullptr, nullptr, const_cast<char* const*>(argv.data()),
                   environ) != 0) {
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// 0, or the error of the unmount.
int UnmountNow(const std::string& mount_point, bool lazy) {
  if (umount2(mount_point.c_str(), lazy ? MNT_DETACH : 0) == 0) return 0;
  const int error = errno;
  return error == EPERM && UnmountAsUser(mount_point, lazy) ? 0 : error;
}

}  // namespace

void WriteAll(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
}

bool Reap(pid_t pid, std::chrono::milliseconds patience, int* status_out) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  int ignored = 0;
  int& status = status_out != nullptr ? *status_out : ignored;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return false;
}

ServedMount::ServedMount(const std::string& backing, const std::string& mount_point,
                         const Options& options)
    : mount_point_(mount_point) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    error_ = Errno("pipe");
    return;
  }
  const pid_t parent = getpid();
  std::fflush(nullptr);  // else the server would print again what the caller had not yet
  server_ = fork();
  if (server_ == 0) {
    close(ready[0]);
    RunServer(ready[1], parent, backing, mount_point, options);
  }
  close(ready[1]);
  if (server_ < 0) {
    error_ = Errno("fork");
    close(ready[0]);
    return;
  }
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = read(ready[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    report.append(buffer, static_cast<std::size_t>(n));
  }
  close(ready[0]);
  if (report.empty() || report[0] != 'M') {
    error_ = report.empty() ? "the file system's process died" : report.substr(1);
    Reap(server_, std::chrono::seconds(5));
    server_ = -1;
    return;
  }
  // The kernel makes up the root's attributes at mount time; the first stat fetches the real
  // ones from the file system, and shows that it answers.
  struct stat root {};
  if (stat(mount_point.c_str(), &root) != 0) {
    error_ = Errno("cannot stat the new mount");
    UnmountNow(mount_point, true);
    Reap(server_, std::chrono::seconds(1));
    server_ = -1;
    return;
  }
  mounted_ = true;
}

std::string ServedMount::Unmount() {
  if (server_ < 0) return "";
  std::string problem;
  if (const int error = mounted_ ? UnmountNow(mount_point_, false) : 0; error != 0) {
    problem = std::string("the mount stayed busy (a file left open?): ") + std::strerror(error);
    UnmountNow(mount_point_, true);
    kill(server_, SIGKILL);
  }
  mounted_ = false;
  if (!Reap(server_, std::chrono::seconds(10)) && problem.empty()) {
    problem = "the file system did not stop after the unmount";
  }
  server_ = -1;
  return problem;
}

ServedMount::~ServedMount() {
  Unmount();
}

}  // namespace pixferry::fusefs
