// The copy job's checking thread: it takes the copies written so far as one batch, flushes them
// to the storage, reads each back from the medium past the cache, and names and lists only those
// that hold what was read from their sources.
#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/copy.h"
#include "platform/copy_job.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/hash_list.h"
#include "platform/paths.h"
#include "platform/primitives.h"

namespace pixferry {
namespace {

// The fault build's seams on this side: the flushes, the read-back, the naming and the list reach
// the file system only through these.
namespace seam {

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
}  // namespace

using namespace copying;

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
  const std::string checked = UtcTimeText(std::chrono::system_clock::now());
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

}  // namespace pixferry
