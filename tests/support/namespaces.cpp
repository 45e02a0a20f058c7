#include "tests/support/namespaces.h"

#ifndef _WIN32

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace pixferry::testing {
namespace {

bool WriteWhole(const std::string& path, const std::string& text) {
  return static_cast<bool>(std::ofstream(path) << text << std::flush);
}

std::string Failed(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::string EnterMountNamespace() {
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return Failed("unshare");
  if (!WriteWhole("/proc/self/setgroups", "deny") ||
      !WriteWhole("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
      !WriteWhole("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
    return Failed("id maps");
  }
  // Nothing mounted here may reach the namespace the test program runs in.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return Failed("private mounts");
  }
  return {};
}

// The child prints what went wrong, and its exit status tells the parent. Nothing may leave it
// but through _exit: an exception would reach gtest's runner, which would go on to other tests.
std::string InMountNamespace(const ChildCheck& check) {
  std::fflush(nullptr);  // else the child would print what the parent had not yet
  const pid_t pid = ::fork();
  if (pid < 0) return Failed("fork");
  if (pid == 0) {
    std::string answer;
    try {
      answer = EnterMountNamespace();
      if (answer.empty()) answer = check();
    } catch (const std::exception& e) {
      answer = std::string("exception: ") + e.what();
    } catch (...) {
      answer = "unknown exception";
    }
    if (!answer.empty()) std::fprintf(stderr, "In the child: %s\n", answer.c_str());
    // No destructors, no atexit: the parent's test program owns every shared resource. What the
    // check printed (a failed assertion) is flushed by hand.
    std::fflush(nullptr);
    ::_exit(answer.empty() ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  return "the child failed as it printed (status " + std::to_string(status) + ")";
}

ChildCheck Expecting(const std::function<void()>& body) {
  return [body]() -> std::string {
    body();
    return ::testing::Test::HasFailure() ? "the checks above failed in the child" : "";
  };
}

std::string DropFileRights() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return Failed("capget");
  for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    data[cap / 32].effective &= ~(1u << (cap % 32));
  }
  if (::syscall(SYS_capset, &header, data) != 0) return Failed("capset");
  return {};
}

std::string MountReadOnly(const std::string& folder) {
  if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0 ||
      ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    return Failed("read-only bind");
  }
  return {};
}

}  // namespace pixferry::testing

#endif
