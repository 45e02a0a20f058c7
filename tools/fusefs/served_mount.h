// A PassFs mounted and served by a child process of its own, so that the process that made it may
// use the mount in every way: the server never waits on its own mount. The server dies with the
// thread that made it. POSIX with libfuse3.
//   ServedMount card(backing, mount_point, {fusefs::Mode::kCard});
//   if (!card.mounted()) fail(card.error());
//   ... use mount_point ...
//   if (const std::string problem = card.Unmount(); !problem.empty()) fail(problem);
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

#include "tools/fusefs/pass_fs.h"

namespace pixferry::fusefs {

class ServedMount {
 public:
  // Returns once the file system answers at mount_point, or could not be mounted (error() says
  // why).
  ServedMount(const std::string& backing, const std::string& mount_point, const Options& options);
  // Unmounts if still mounted.
  ~ServedMount();
  ServedMount(const ServedMount&) = delete;
  ServedMount& operator=(const ServedMount&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

  // Unmounts, which first writes back through the server what the kernel still caches, and waits
  // for the server to end. Returns "" or what went wrong; the mount is gone either way (detached
  // when it was busy).
  std::string Unmount();

 private:
  std::string mount_point_;
  pid_t server_ = -1;
  bool mounted_ = false;
  std::string error_;
};

// Waits up to `patience` for the child pid to end, and kills it then; false when it was killed.
// Writes all of text to fd, as far as it takes it (a pipe to a process that may be gone).
void WriteAll(int fd, const std::string& text);

bool Reap(pid_t pid, std::chrono::milliseconds patience, int* status = nullptr);

}  // namespace pixferry::fusefs
