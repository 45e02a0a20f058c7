#include "tests/support/unprivileged.h"

#ifndef _WIN32
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pixferry::testing {

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
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
  if (WEXITSTATUS(status) == 2) return std::nullopt;
  return WEXITSTATUS(status) == 0;
#endif
}

}  // namespace pixferry::testing
