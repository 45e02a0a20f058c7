// A FUSE file system (libfuse3) that passes every operation through to a backing folder, with one
// behaviour of a real medium added on purpose: a fault for the copy's tests, or a camera card's
// speed for the benchmarks. Mounted by the constructor, served by Serve() on the calling thread
// until the mount goes away; ServedMount (served_mount.h) does both in a process of its own. Needs
// the rights to mount (root, the owner of a user and mount namespace, or fusermount3 and
// /dev/fuse). The process that serves must never use the mount itself: a file of the mount still
// open when it exits would wait for an answer from itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct fuse;

namespace pixferry::fusefs {

enum class Mode {
  // The byte at offset `limit` of every file written is stored with its bits flipped, while the
  // writer's page cache keeps the right byte: only a read that bypasses the cache sees it.
  kCorruptStored,
  // A read that would take the reader past byte `limit` of a file fails with EIO, as when the
  // card is pulled out, and from then on every read, open and look-up fails so too; files no
  // longer than `limit` read whole until then.
  kGoneAfter,
  // What a file was written since its last fsync is lost when the file system is unmounted (the
  // file is left empty), as on a disk unplugged with its cache full; `limit` is unused.
  kForgetsUnsynced,
  // A counterfeit disk that holds only `limit` bytes: the data of all files is laid out in the
  // order it is first written, and byte n of that layout is stored at n modulo `limit`, so what
  // is written past the real size lands on the earliest data, other files' included. Reads give
  // what is stored; a file opened afresh is read from the storage, not from the kernel's cache.
  kWrapsAround,
  // A camera card: read-only (every change fails with EROFS), one request at a time as on the
  // card's controller, reads at most `card.bytes_per_second`, each open waits `card.open_seconds`
  // (the card's file-table look-up). The kernel keeps what it read while the card stays mounted;
  // mount it afresh to read the card again. `limit` is unused.
  kCard,
};

// A card's speed.
struct CardRates {
  double bytes_per_second = 80e6;
  double open_seconds = 0.001;
};

struct Options {
  Mode mode = Mode::kCorruptStored;
  std::uint64_t limit = 0;
  CardRates card;
};

struct PassFsState;

class PassFs {
 public:
  PassFs(const std::string& backing, const std::string& mount_point, const Options& options);
  ~PassFs();
  PassFs(const PassFs&) = delete;
  PassFs& operator=(const PassFs&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

  // Answers the kernel until the mount point is unmounted: a card one request at a time, the
  // other modes with a thread per request in flight.
  void Serve();

 private:
  std::unique_ptr<PassFsState> state_;
  struct fuse* fuse_ = nullptr;
  bool mounted_ = false;
  std::string error_;
};

}  // namespace pixferry::fusefs
