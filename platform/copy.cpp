// Whole-file copies, written once over the primitives of platform/primitives.h. The calling
// thread reads each source once, hashes its bytes and writes them into a hidden, locked temporary
// beside the destination; the job's own thread takes the copies written so far, flushes them to
// the storage, reads each back from the medium past the cache and hashes it, and only a copy
// whose hash is its source's gets its own attributes and then, as its last step, its name; the
// folders are flushed and the hash list written before a copy counts. Neither a failure nor a
// crash leaves a partial or wrong file under a final name or loses the file being replaced.
#include "platform/copy.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/hash_list.h"
#include "platform/paths.h"
#include "platform/primitives.h"
#include "platform/sha256.h"
#include "platform/temp_names.h"

#ifdef _WIN32
#include "platform/win32/copy.inc"
#else
#include "platform/posix/copy.inc"
#endif

namespace pixferry {
namespace {

// The fault build's one seam: the copy reaches the file system only through these.
namespace seam {

int OpenSource(const std::string& path, os::File& file, os::Source& source) {
  if (const int e = faults::Check(faults::Op::CopyOpen)) return e;
  return os::OpenSource(path, file, source);
}

int Read(os::FileHandle& source, void* buffer, std::size_t size, std::uint64_t offset,
         std::size_t& got) {
  if (const int e = faults::Check(faults::Op::CopyRead)) return e;
  return os::ReadAt(source, buffer, size, offset, got);
}

int Write(os::FileHandle& copy, const void* buffer, std::size_t size, std::uint64_t offset) {
  if (const int e = faults::Check(faults::Op::CopyWrite)) return e;
  return os::WriteAt(copy, buffer, size, offset);
}

// The fault build's copy that stores one byte wrong, as a failing disk does: proof that the
// read-back looks at what was stored.
int Written(os::FileHandle& copy, const os::Source& source) {
  if (faults::Check(faults::Op::CopyCorrupt) != 0 && source.stamp.size > 0) {
    const std::uint64_t at = source.stamp.size / 2;
    char byte = 0;
    std::size_t got = 0;
    if (os::ReadAt(copy, &byte, 1, at, got) == 0 && got == 1) {
      byte = static_cast<char>(byte ^ 0x20);
      if (const int e = os::WriteAt(copy, &byte, 1, at)) return e;
    }
  }
  return os::Written(copy, source);
}

int Flush(os::FileHandle& file, bool whole_system) {
  if (const int e = faults::Check(faults::Op::CopyCommit)) return e;
  return whole_system ? os::SyncFileSystem(file) : os::FlushFile(file);
}

int OpenReadBack(os::FileHandle& copy, const std::string& temp, os::File& back) {
  if (const int e = faults::Check(faults::Op::CopyVerify)) return e;
  return os::OpenReadBack(copy, temp, back);
}

int SetFinalAttributes(os::FileHandle& copy, const os::Source& source) {
  if (const int e = faults::Check(faults::Op::WriteAttributes)) return e;
  return os::SetFinalAttributes(copy, source);
}

int Rename(os::FileHandle& copy, const std::string& temp, const std::string& destination,
           bool replace) {
  if (const int e = faults::Check(faults::Op::CopyRename)) return e;
  return os::Rename(copy, temp, destination, replace);
}

int AddLines(HashList& list, const std::vector<HashRecord>& records) {
  if (const int e = faults::Check(faults::Op::CopyList)) return e;
  return list.Add(records);
}

}  // namespace seam

// A long copy gives its window a turn this often while it is written; a wait for the checks,
// this often.
constexpr std::size_t kTurn = std::size_t{16} << 20;
constexpr auto kWaitTurn = std::chrono::milliseconds(40);
// How long the checks let copies gather into one batch, unless the calling thread waits for them
// or half the limits are reached: a batch shares its flushes, and the checking thread wakes once
// for it rather than once per small photo.
constexpr auto kGather = std::chrono::milliseconds(50);
// A source is read in pieces no larger than what the system reads ahead of them, so that a card
// goes on streaming while a piece is hashed and written; a copy is read back in larger ones. Both
// are whole sectors, as reads past the cache require.
constexpr std::size_t kChunk = std::size_t{128} << 10;
constexpr std::size_t kBackChunk = std::size_t{512} << 10;
static_assert(kChunk % os::kSector == 0 && kBackChunk % os::kSector == 0 && kTurn % kChunk == 0);
// What a check answers for a copy that is not its source's: not an error of the medium.
constexpr int kDiffers = -2;

// An I/O error where the folder of either file can no longer be reached is its medium gone (a
// card pulled out), not a damaged spot on it.
int MediumError(int number, const std::string& source, const std::string& destination) {
  if (number != err::kDeviceIoError) return number;
  for (const std::string* path : {&source, &destination}) {
    std::error_code ec;
    if (!std::filesystem::exists(FileSystemPath(FolderOf(*path)), ec) || ec) {
      return err::kDeviceUnavailable;
    }
  }
  return number;
}

// Sector-aligned, as reads past the cache require of their buffers.
struct AlignedFree {
  void operator()(char* p) const noexcept { ::operator delete[](p, std::align_val_t{4096}); }
};
using Buffer = std::unique_ptr<char[], AlignedFree>;

Buffer Aligned(std::size_t size) {
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

CopyOutcome OutcomeOf(const Pending& p) {
  return {p.number, p.source, p.destination, false, 0, p.info.stamp, p.digest};
}

// Now, as the hash list records when a copy was proved: "2026-12-07T10:15:00Z".
std::string UtcNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace

struct CopyJob::Impl {
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
  Buffer buffer;
  std::optional<Sha256> hash;
  std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}() ^
                         os::Entropy()};

  // The checking thread's own, once it has started.
  Buffer back_buffer;
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

CopyJob::Impl::~Impl() {
  stopping = true;
  {
    const std::lock_guard lock(mutex);
    closing = true;
  }
  changed.notify_all();
  if (worker.joinable()) worker.join();
  for (Pending& p : unnamed) p.Remove();
}

// What the checks need, made on the calling thread where a failure can be told; then the thread.
void CopyJob::Impl::Start() {
  if (worker.joinable()) return;
  buffer = Aligned(kChunk);
  back_buffer = Aligned(kBackChunk);
  hash.emplace();
  back_hash.emplace();
  if (case_list) list.emplace(case_list->root, case_list->name);
  worker = std::thread([this] { Work(); });
}

int CopyJob::Impl::Write(const std::string& source, const std::string& destination, Pending& p) {
  p.source = source;
  p.destination = destination;
  p.folder = FolderOf(destination);
  if (const int e = seam::OpenSource(source, p.from, p.info)) return e;
  // Onto itself (the same name, another spelling of it, or a hard link): nothing to do, and
  // writing would destroy the only copy. A link is not the file it leads to: it is replaced by a
  // real copy, never written through.
  os::Target target;
  const int looked = os::LookUpTarget(destination, *p.from, p.info, target);
  if (looked != 0 && looked != os::kNotThere) return looked;
  p.replaces = looked == 0;
  if (p.replaces && target.is_source) {
    p.from.reset();
    return 0;
  }
  if (p.replaces && target.folder) return err::kPathFileAccessError;
  if (const int e = CreateTemporary(p)) return e;
  if (const int e = CopyBytes(p)) {
    p.Remove();
    return e;
  }
  return 0;
}

// A new temporary beside the destination, no longer than its final name.
int CopyJob::Impl::CreateTemporary(Pending& p) {
  const std::size_t final_length = NameOf(p.destination).size();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = p.folder + kSep + TemporaryName(final_length, random());
    const int e = os::CreateTemporary(candidate, p.info, p.file);
    if (e == err::kFileAlreadyExists) continue;
    if (e != 0) return e;
    p.temp = candidate;
    const auto known = std::find_if(folders.begin(), folders.end(),
                                    [&](const auto& f) { return f.first == p.folder; });
    if (known != folders.end()) {
      p.traits = known->second;
    } else {
      if (const int t = os::TraitsOf(p.folder, candidate, *p.file, p.traits)) {
        p.Remove();
        return t;
      }
      folders.emplace_back(p.folder, p.traits);
    }
    return 0;
  }
  return err::kPathFileAccessError;
}

int CopyJob::Impl::CopyBytes(Pending& p) {
  const int e = CopyAndHash(p);
  p.digest = hash->Finish();  // and a fresh start for the next copy, whatever happened
  if (e != 0) return MediumError(e, p.source, p.destination);
  return MediumError(seam::Written(*p.file, p.info), p.source, p.destination);
}

// The size the source had when it was opened; a source that changes meanwhile is caught by its
// stamp before the copy takes its name.
int CopyJob::Impl::CopyAndHash(Pending& p) {
  const unsigned long long total = p.info.stamp.size;
  for (unsigned long long copied = 0; copied < total;) {
    const auto want =
        static_cast<std::size_t>(std::min<unsigned long long>(total - copied, kChunk));
    std::size_t got = 0;
    if (const int e = seam::Read(*p.from, buffer.get(), want, copied, got)) return e;
    if (got == 0) break;
    hash->Update(buffer.get(), got);
    if (const int e = seam::Write(*p.file, buffer.get(), got, copied)) return e;
    copied += got;
    if (keep_alive && copied < total && copied % kTurn == 0) keep_alive();
  }
  return 0;
}

void CopyJob::Impl::Hand(Pending p) {
  if (p.traits.ignores_case) p.folded = os::FoldedName(p.destination);
  if (!p.temp.empty() && !p.proved) p.bytes = p.info.stamp.size;
  bool wake = false;
  {
    const std::lock_guard lock(mutex);
    names.insert(p.destination);
    if (!p.folded.empty()) folded_names.insert(p.folded);
    ++files_in_flight;
    bytes_in_flight += p.bytes;
    queued_bytes += p.bytes;
    if (queue.empty()) first_queued = std::chrono::steady_clock::now();
    queue.push_back(std::move(p));
    wake = queue.size() == 1 || Gathered();
  }
  if (wake) changed.notify_all();
}

template <class Done>
void CopyJob::Impl::WaitUntil(Done done) {
  std::unique_lock lock(mutex);
  if (done()) return;
  waiting = true;
  changed.notify_all();
  while (!changed.wait_for(lock, kWaitTurn, done)) {
    lock.unlock();
    if (keep_alive) keep_alive();
    lock.lock();
  }
  waiting = false;
}

// Takes everything written so far as one batch: the fewer the copies written meanwhile, the
// sooner each is proved; the more, the fewer flushes they share.
void CopyJob::Impl::Work() {
  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait(lock, [this] { return !queue.empty() || closing; });
    if (queue.empty()) return;
    changed.wait_until(lock, first_queued + kGather, [this] { return Gathered(); });
    std::vector<Pending> batch(std::make_move_iterator(queue.begin()),
                               std::make_move_iterator(queue.end()));
    queue.clear();
    queued_bytes = 0;
    busy = true;
    lock.unlock();
    std::vector<CopyOutcome> outcomes = Check(batch);
    lock.lock();
    Publish(batch, outcomes);
    busy = false;
    changed.notify_all();
  }
}

std::vector<CopyOutcome> CopyJob::Impl::Check(std::vector<Pending>& batch) {
  std::vector<CopyOutcome> outcomes;
  try {
    for (const Pending& p : batch) outcomes.push_back(OutcomeOf(p));
    if (!stopping) Flush(batch, outcomes);
    for (std::size_t i = 0; i < batch.size(); ++i) Conclude(batch[i], outcomes[i]);
    Settle(batch, outcomes);
    List(batch, outcomes);
  } catch (...) {
    // Out of memory: nothing more is proved of this batch.
    outcomes.resize(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (!batch[i].named) batch[i].Remove();
      outcomes[i].number = batch[i].number;
      if (!outcomes[i].verified && outcomes[i].error == 0) outcomes[i].error = err::kOutOfMemory;
    }
  }
  return outcomes;
}

// One flush for the whole file system where it reaches the copies (a disk commits once, where a
// flush per file would wait for it once per file); one per copy elsewhere (FUSE, Windows) and for
// a batch of one. Then each copy's pages leave the cache, and the system starts reading them all
// back at once, which a disk does faster than one read after another.
void CopyJob::Impl::Flush(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes) {
  const auto fresh = [](const Pending& p) { return !p.temp.empty() && !p.proved; };
  const auto count = std::count_if(batch.begin(), batch.end(), fresh);
  std::vector<std::string> synced;
  for (std::size_t i = 0; i < batch.size(); ++i) {
    Pending& p = batch[i];
    if (!fresh(p) || std::find(synced.begin(), synced.end(), p.folder) != synced.end()) continue;
    int e = os::kNotThere;
    if (count > 1 && p.traits.whole_sync) e = seam::Flush(*p.file, true);
    // A failed flush of the file system fails every copy it was to reach.
    if (e != 0 && e != os::kNotThere) {
      for (std::size_t j = i; j < batch.size(); ++j) {
        if (!fresh(batch[j]) || batch[j].folder != p.folder) continue;
        outcomes[j].error = MediumError(e, batch[j].source, batch[j].destination);
        batch[j].Remove();
      }
      continue;
    }
    if (e == 0) {
      synced.push_back(p.folder);
      continue;
    }
    if (const int flushed = seam::Flush(*p.file, false)) {
      outcomes[i].error = MediumError(flushed, p.source, p.destination);
      p.Remove();
    }
  }
  for (Pending& p : batch) {
    if (fresh(p)) os::Drop(*p.file, p.traits);
  }
}

// Proves the copy and names it; a copy whose name was taken keeps its temporary and waits for
// another name.
void CopyJob::Impl::Conclude(Pending& p, CopyOutcome& outcome) {
  if (p.temp.empty()) return;  // onto itself, or failed at its flush
  if (stopping || list_error != 0) {
    p.abandoned = list_error == 0;
    outcome.error = list_error;
    p.Remove();
    return;
  }
  if (!p.proved) {
    const int e = Prove(p);
    if (e != 0) {
      if (e != kDiffers) outcome.error = MediumError(e, p.source, p.destination);
      p.Remove();
      return;
    }
    p.proved = true;
  }
  if (stopping) {
    p.abandoned = true;
    p.Remove();
    return;
  }
  const int e = Name(p);
  if (e == err::kFileAlreadyExists && !p.replaces) {
    outcome.error = e;
  } else if (e != 0) {
    outcome.error = MediumError(e, p.source, p.destination);
    p.Remove();
  }
}

// Reads a written copy back from the medium, to its end: the copy must hold exactly the bytes
// read from the source, no more. Never mapped: a card pulled out under a mapping would kill the
// program. Then the source must still be as it was opened: a photo changed while it was read may
// have been read half old, half new. Its change time is not compared: a rename or removal moves
// it, and the bytes read are still the photo's.
int CopyJob::Impl::Prove(Pending& p) {
  os::File back;
  int e = seam::OpenReadBack(*p.file, p.temp, back);
  if (e == os::kNotThere) e = 0;
  Digest read{};
  if (e == 0) e = ReadBack(back ? *back : *p.file, read);
  if (e != 0) return e;
  if (read != p.digest) return kDiffers;
  FileStamp now;
  const int stamped = os::StampNow(*p.from, now);
  if (stamped == os::kNotThere ||
      (stamped == 0 && (now.size != p.info.stamp.size || now.modified != p.info.stamp.modified))) {
    return kDiffers;
  }
  p.from.reset();
  return stamped;
}

int CopyJob::Impl::ReadBack(os::FileHandle& copy, Digest& digest) {
  int e = 0;
  for (std::uint64_t offset = 0;;) {
    std::size_t got = 0;
    e = os::ReadAt(copy, back_buffer.get(), kBackChunk, offset, got);
    if (e != 0) break;
    back_hash->Update(back_buffer.get(), got);
    if (got < kBackChunk) break;
    offset += got;
  }
  digest = back_hash->Finish();
  return e;
}

int CopyJob::Impl::Name(Pending& p) {
  if (const int e = seam::SetFinalAttributes(*p.file, p.info)) return e;
  if (const int e = seam::Rename(*p.file, p.temp, p.destination, p.replaces)) return e;
  p.temp.clear();  // it has its name now
  p.named = true;
  return 0;
}

// One flush per folder, which holds the names; where the file system refuses to flush a folder
// (FAT and exFAT may), each copy's own flush, as such a file system keeps a file's name and
// attributes in the entry it flushes with the file. Only a failure of the medium fails copies.
void CopyJob::Impl::Settle(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes) {
  std::vector<std::string> done;
  for (const Pending& first : batch) {
    if (!first.named || std::find(done.begin(), done.end(), first.folder) != done.end()) continue;
    done.push_back(first.folder);
    const int e = os::SyncFolder(first.folder);
    if (e == 0) continue;
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (!batch[i].named || batch[i].folder != first.folder) continue;
      const int flushed = e != os::kNotThere ? e : os::FlushFile(*batch[i].file);
      if (flushed != 0) outcomes[i].error = flushed;
    }
  }
}

void CopyJob::Impl::List(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes) {
  std::vector<HashRecord> records;
  const std::string checked = UtcNow();
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (!batch[i].named || outcomes[i].error != 0) continue;
    if (list) {
      records.push_back({batch[i].digest, case_list->name + "/" + NameOf(batch[i].destination),
                         batch[i].source, batch[i].info.stamp, checked});
    }
    outcomes[i].verified = true;
  }
  if (records.empty()) return;
  if (const int e = seam::AddLines(*list, records)) {
    list_error = e;
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (!outcomes[i].verified) continue;
      outcomes[i].verified = false;
      outcomes[i].error = e;
    }
  }
}

// Under the lock: the outcomes for the caller, the copies waiting for a name kept.
void CopyJob::Impl::Publish(std::vector<Pending>& batch, std::vector<CopyOutcome>& outcomes) {
  for (std::size_t i = 0; i < batch.size(); ++i) {
    Pending& p = batch[i];
    names.erase(names.find(p.destination));
    if (!p.folded.empty()) folded_names.erase(folded_names.find(p.folded));
    --files_in_flight;
    bytes_in_flight -= p.bytes;
    p.bytes = 0;
    if (!p.abandoned) finished.push_back(std::move(outcomes[i]));
    if (!p.temp.empty()) unnamed.push_back(std::move(p));
  }
}

CopyJob::CopyJob(CopyJobLimits limits, std::function<void()> keep_alive,
                 std::optional<CaseList> list)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  // Each copy in flight holds files open: no more may be in flight than the process may have.
  impl_->limits.files = std::max<std::size_t>(1, std::min(limits.files, os::OpenFileBudget()));
  impl_->keep_alive = std::move(keep_alive);
  impl_->case_list = std::move(list);
}

CopyJob::~CopyJob() = default;

void CopyJob::Add(const std::string& source, const std::string& destination) {
  Impl& j = *impl_;
  j.Start();
  j.WaitUntil([&j] { return !j.Full(); });
  Pending p;
  p.number = j.added++;
  ThrowIfError(j.Write(source, destination, p));
  j.Hand(std::move(p));
}

void CopyJob::Rename(std::size_t number, const std::string& destination) {
  Impl& j = *impl_;
  Pending p;
  {
    const std::lock_guard lock(j.mutex);
    const auto found = std::find_if(j.unnamed.begin(), j.unnamed.end(),
                                    [number](const Pending& u) { return u.number == number; });
    if (found == j.unnamed.end() || FolderOf(destination) != found->folder) {
      throw RuntimeError(err::kInvalidProcedureCall);
    }
    p = std::move(*found);
    j.unnamed.erase(found);
  }
  p.destination = destination;
  p.folded.clear();
  j.Hand(std::move(p));
}

bool CopyJob::Holds(const std::string& destination) const {
  const Impl& j = *impl_;
  const std::string folded = j.folders.empty() ? std::string() : os::FoldedName(destination);
  const std::lock_guard lock(j.mutex);
  return j.names.contains(destination) ||
         (!j.folded_names.empty() && j.folded_names.contains(folded));
}

bool CopyJob::Full() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->Full();
}

std::vector<CopyOutcome> CopyJob::TakeFinished() {
  const std::lock_guard lock(impl_->mutex);
  return std::exchange(impl_->finished, {});
}

std::vector<CopyOutcome> CopyJob::AwaitFinished() {
  Impl& j = *impl_;
  j.WaitUntil([&j] { return !j.finished.empty() || j.Idle(); });
  return TakeFinished();
}

std::vector<CopyOutcome> CopyJob::Finish() {
  Impl& j = *impl_;
  j.WaitUntil([&j] { return j.Idle(); });
  return TakeFinished();
}

std::vector<CopyOutcome> CopyJob::Abandon() {
  Impl& j = *impl_;
  j.stopping = true;
  j.WaitUntil([&j] { return j.Idle(); });
  std::vector<Pending> unnamed;
  {
    const std::lock_guard lock(j.mutex);
    unnamed = std::exchange(j.unnamed, {});
  }
  for (Pending& p : unnamed) p.Remove();
  return TakeFinished();
}

int CleanLeftovers(const std::string& folder) noexcept {
  try {
    int removed = 0;
    os::ListFiles(folder, [&](const std::string& name) {
      if (IsTemporaryName(name) && os::RemoveUnlocked(folder, name) == 0) ++removed;
    });
    return removed;
  } catch (...) {
    return 0;
  }
}

}  // namespace pixferry
