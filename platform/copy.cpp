// Whole-file copies, written once over the primitives of platform/primitives.h. The calling
// thread reads each source once, hashes its bytes and writes them into a hidden, locked temporary
// beside the destination, then hands the copy to the job's checking thread (copy_check.cpp), which
// names and lists it only once it is proved on the storage. Neither a failure nor a crash leaves
// a partial or wrong file under a final name or loses the file being replaced.
#include "platform/copy.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/copy_job.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/primitives.h"
#include "platform/temp_names.h"

#ifdef _WIN32
#include "platform/win32/copy.inc"
#else
#include "platform/posix/copy.inc"
#endif

namespace pixferry {
namespace copying {

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

}  // namespace copying

namespace {

// The fault build's seams on this side: the sources' reading and the temporaries' writing reach
// the file system only through these.
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

}  // namespace seam
}  // namespace

using namespace copying;

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
