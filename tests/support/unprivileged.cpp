#include "tests/support/unprivileged.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#endif

namespace pixferry::testing {

#ifndef _WIN32
namespace {

bool WriteProcFile(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

// The check's answer from the child that ran it: exit status 0 yes, 1 no; 2 (the namespace could
// not be set up) or a crash, none.
std::optional<bool> Verdict(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
  if (WEXITSTATUS(status) == 2) return std::nullopt;
  return WEXITSTATUS(status) == 0;
}

}  // namespace
#endif

std::optional<bool> RunUnprivileged(const std::function<bool()>& check) {
#ifdef _WIN32
  return check();
#else
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    if (::unshare(CLONE_NEWUSER) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  return Verdict(child);
#endif
}

std::optional<bool> RunWithReadOnlyFolder(const std::string& folder,
                                          const std::function<bool()>& check) {
#ifdef _WIN32
  (void)folder;
  (void)check;
  return std::nullopt;
#else
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    // The same user inside, so the files keep their owner; mounts stay in this namespace.
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(2);
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map",
                       std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map",
                       std::to_string(gid) + " " + std::to_string(gid) + " 1")) {
      ::_exit(2);
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0 ||
        ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      ::_exit(2);
    }
    ::_exit(check() ? 0 : 1);
  }
  return Verdict(child);
#endif
}

}  // namespace pixferry::testing
