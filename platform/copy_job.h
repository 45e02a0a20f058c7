// The copy job's inner parts, shared by the file of the thread that reads the sources (copy.cpp)
// and that of the thread that checks the copies (copy_check.cpp); nothing else includes it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/copy.h"
#include "platform/hash_list.h"
#include "platform/primitives.h"
#include "platform/sha256.h"

namespace pixferry {
namespace copying {

// A long copy gives its window a turn this often while it is written; a wait for the checks,
// this often.
inline constexpr std::size_t kTurn = std::size_t{16} << 20;
inline constexpr auto kWaitTurn = std::chrono::milliseconds(40);
// How long the checks let copies gather into one batch, unless the calling thread waits for them
// or half the limits are reached: a batch shares its flushes, and the checking thread wakes once
// for it rather than once per small photo.
inline constexpr auto kGather = std::chrono::milliseconds(50);
// A source is read in pieces no larger than what the system reads ahead of them, so that a card
// goes on streaming while a piece is hashed and written; a copy is read back in larger ones. Both
// are whole sectors, as reads past the cache require.
inline constexpr std::size_t kChunk = std::size_t{128} << 10;
inline constexpr std::size_t kBackChunk = std::size_t{512} << 10;
static_assert(kChunk % os::kSector == 0 && kBackChunk % os::kSector == 0 && kTurn % kChunk == 0);
// What a check answers for a copy that is not its source's: not an error of the medium.
inline constexpr int kDiffers = -2;

// An I/O error where the folder of either file can no longer be reached is its medium gone (a
// card pulled out), not a damaged spot on it.
int MediumError(int number, const std::string& source, const std::string& destination);

// Sector-aligned, as reads past the cache require of their buffers.
struct AlignedFree {
  void operator()(char* p) const noexcept { ::operator delete[](p, std::align_val_t{4096}); }
};
using Buffer = std::unique_ptr<char[], AlignedFree>;

inline Buffer Aligned(std::size_t size) {
  return Buffer(static_cast<char*>(::operator new[](size, std::align_val_t{4096})));
}

// One copy, from its writing to its outcome; its temporary goes with it unless it was named.
struct Pending {
  Pending() = default;
  Pending(Pending&&) = default;
  Pending& operator=(Pending&&) = default;  // only ever into an empty one (made, or moved from)
  ~Pending() { Remove(); }

  void Remove() noexcept {
    if (file && !temp.empty()) os::RemoveTemporary(*file, temp);
    temp.clear();
    file.reset();
    from.reset();
  }

  std::size_t number = 0;
  std::string source;
  std::string destination;
  std::string folder;
  std::string folded;  // the destination as its folder compares names, where it ignores case
  std::string temp;    // empty: the destination is the source itself, or the copy is gone or named
  os::File file;       // the temporary, locked while it exists
  os::File from;       // the source, open until its stamp is checked
  os::Source info;
  os::Traits traits;
  Digest digest{};
  unsigned long long bytes = 0;  // counted in flight
  bool replaces = false;         // the destination existed when the copy was made
  bool proved = false;           // read back equal to what was read; waits for its name
  bool named = false;
  bool abandoned = false;  // removed unproved when the job was abandoned: no outcome
};

inline CopyOutcome OutcomeOf(const Pending& p) {
  return {p.number, p.source, p.destination, false, 0, p.info.stamp, p.digest};
}

}  // namespace copying

struct CopyJob::Impl {
  using Pending = copying::Pending;

  ~Impl();

  // ---- The calling thread's: the sources, each read once.
  void Start();
  int Write(const std::string& source, const std::string& destination, Pending& p);
  int CreateTemporary(Pending& p);
  int CopyBytes(Pending& p);
  int CopyAndHash(Pending& p);
  void Hand(Pending p);
  // Waits until done holds (asked under the lock), giving the window its turns meanwhile.
  template <class Done>
  void WaitUntil(Done done);
  bool Idle() const { return queue.empty() && !busy; }
  bool Full() const { return files_in_flight >= limits.files || bytes_in_flight >= limits.bytes; }
  bool Gathered() const {
    return waiting || closing || stopping || queue.size() * 2 >= limits.files ||
           queued_bytes * 2 >= limits.bytes;
  }

  // ---- The checking thread's: everything that waits for the destination.
  void Work();
  std::vector<CopyOutcome> Check(std::vector<Pending>& batch);
  // The batch's new copies on the storage before the first is read back.
  void Flush(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes);
  void Conclude(Pending& p, CopyOutcome& outcome);
  // 0 when the copy read back is what was read from its source, kDiffers, or the error.
  int Prove(Pending& p);
  int ReadBack(os::FileHandle& copy, Digest& digest);
  // Final attributes first, while the file is still hidden and writable; the name last.
  int Name(Pending& p);
  // The names are on the storage too: a copy proved but named only in the cache would be lost
  // with the power, and its hidden temporary removed by the next run.
  void Settle(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes);
  // The named copies' lines in the hash list; only then do they count.
  void List(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes);
  void Publish(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes);

  CopyJobLimits limits;
  std::function<void()> keep_alive;
  std::optional<CaseList> case_list;

  // The calling thread's own.
  std::size_t added = 0;
  std::vector<std::pair<std::string, os::Traits>> folders;  // learnt once each
  copying::Buffer buffer;
  std::optional<Sha256> hash;
  std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}() ^
                         os::Entropy()};

  // The checking thread's own, once it has started.
  copying::Buffer back_buffer;
  std::optional<Sha256> back_hash;
  std::optional<HashList> list;
  int list_error = 0;  // the list could not be written: no copy may count any more

  // Shared, under the lock.
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::deque<Pending> queue;          // written (or given a new name), waiting for the checks
  std::vector<Pending> unnamed;       // proved, but their names were taken
  std::vector<CopyOutcome> finished;  // not yet taken
  std::unordered_multiset<std::string> names;  // the destinations in flight
  std::unordered_multiset<std::string> folded_names;
  std::size_t files_in_flight = 0;
  unsigned long long bytes_in_flight = 0;
  unsigned long long queued_bytes = 0;
  std::chrono::steady_clock::time_point first_queued;
  bool waiting = false;               // the calling thread waits for the checks
  bool busy = false;                  // the checking thread holds a batch
  bool closing = false;               // the checking thread ends once the queue is empty
  std::atomic<bool> stopping{false};  // abandoned: nothing more takes its name
  std::thread worker;
};

}  // namespace pixferry
