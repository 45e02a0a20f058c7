// The fault file system itself: mounted by the constructor, served by Serve() on the calling
// thread until the mount goes away. Needs the rights to mount (root, or the owner of a user and
// mount namespace). The process that serves must never use the mount itself: a file of the mount
// still open when it exits would wait for an answer from itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/faultfs.h"

struct fuse;

namespace pixferry::testing {

struct FaultFsState;

class FaultFs {
 public:
  FaultFs(const std::string& backing, const std::string& mount_point, FaultMode mode,
          std::uint64_t limit);
  ~FaultFs();
  FaultFs(const FaultFs&) = delete;
  FaultFs& operator=(const FaultFs&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

  // Answers the kernel until the mount point is unmounted.
  void Serve();

 private:
  std::unique_ptr<FaultFsState> state_;
  struct fuse* fuse_ = nullptr;
  bool mounted_ = false;
  std::string error_;
};

}  // namespace pixferry::testing
