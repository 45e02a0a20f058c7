// Whole-file copies in groups, written once over the primitives of platform/primitives.h:
// the bytes go into a hidden, locked temporary beside the destination; the group flushes them
// to the storage, reads each back from the medium past the cache and compares it with its source,
// which stays open from its copy to its check; only a copy that matches gets its own attributes
// and then, as its last step, its name; the folders are flushed once the group's names are given.
// Neither a failure nor a crash leaves a partial or wrong file under a final name or loses the
// file being replaced.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/primitives.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/copy.h"
#include "platform/files.h"
#include "platform/paths.h"
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

int Transfer(os::FileHandle& source, os::FileHandle& copy, std::size_t want,
             std::size_t& moved) {
  if (const int e = faults::Check(faults::Op::CopyRead)) return e;
  if (const int e = faults::Check(faults::Op::CopyWrite)) return e;
  return os::Transfer(source, copy, want, moved);
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

}  // namespace seam

// A long copy gives its window a turn this often, while it is written and while it is read.
constexpr std::size_t kTurn = std::size_t{16} << 20;
// Few reads per photo, both chunks still in the processor's cache while they are compared, and
// whole sectors, as reads past the cache require.
constexpr std::size_t kCompareChunk = std::size_t{512} << 10;
static_assert(kCompareChunk % os::kSector == 0 && kTurn % kCompareChunk == 0);

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

// A copy waiting in its group.
struct Pending {
  std::string source;
  std::string destination;
  std::string folder;
  std::string temp;   // empty: the destination is the source itself, or the copy is named
  os::File file;  // the temporary, locked while it exists
  os::File from;  // the source, open from its copy to its check
  os::Source info;
  os::Traits traits;
  bool replaces = false;  // the destination existed when the copy was made
};

void Remove(Pending& p) noexcept {
  if (p.file && !p.temp.empty()) os::RemoveTemporary(*p.file, p.temp);
  p.temp.clear();
  p.file.reset();
  p.from.reset();
}

}  // namespace

struct CopyGroup::Impl {
  ~Impl() {
    for (Pending& p : pending) Remove(p);
  }

  // Writes a copy of source under a temporary name beside destination; when destination is the
  // source itself, only notes it. 0, or the run-time number; a failed copy leaves nothing.
  int Write(const std::string& source, const std::string& destination, Pending& p);
  int CreateTemporary(Pending& p);
  int CopyBytes(Pending& p);
  // The whole group on the storage before the first copy is read back.
  void Flush(std::vector<Pending>& group);
  CopyOutcome Verify(Pending& p);
  // Gives a verified copy its own attributes and then, as its last step, its name.
  int Name(Pending& p);
  // The names are on the storage too: a copy verified but named only in the cache would be lost
  // with the power, and its hidden temporary removed by the next run.
  void Settle(std::vector<CopyOutcome>& outcomes);

  CopyGroupLimits limits;
  std::function<void()> between;
  std::vector<Pending> pending;
  // The destinations waiting; folded too where their folder ignores case.
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> folded_names;
  unsigned long long bytes = 0;
  std::vector<std::pair<std::string, os::Traits>> folders;  // learnt once each
  std::vector<Pending> named;  // named by the commit, held until their folders are flushed
  Buffer a, b;                 // the read-back's, made once for the group
  std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}() ^
                         os::Entropy()};
};

int CopyGroup::Impl::Write(const std::string& source, const std::string& destination, Pending& p) {
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
    Remove(p);
    return e;
  }
  return 0;
}

// A new temporary beside the destination, no longer than its final name.
int CopyGroup::Impl::CreateTemporary(Pending& p) {
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
        Remove(p);
        return t;
      }
      folders.emplace_back(p.folder, p.traits);
    }
    return 0;
  }
  return err::kPathFileAccessError;
}

// The size the source had when it was opened; a source that changes meanwhile is caught by the
// read-back.
int CopyGroup::Impl::CopyBytes(Pending& p) {
  const unsigned long long total = p.info.stamp.size;
  for (unsigned long long copied = 0; copied < total;) {
    std::size_t moved = 0;
    const auto want = static_cast<std::size_t>(std::min<unsigned long long>(total - copied, kTurn));
    if (const int e = seam::Transfer(*p.from, *p.file, want, moved)) {
      return MediumError(e, p.source, p.destination);
    }
    if (moved == 0) break;
    copied += moved;
    if (between && copied < total) between();
  }
  return MediumError(seam::Written(*p.file, p.info), p.source, p.destination);
}

// One flush for the whole file system where it reaches the copies (a disk commits once, where a
// flush per file would wait for it once per file); one per copy elsewhere (FUSE, Windows) and for
// a group of one. Then each copy's pages leave the cache, and the system starts reading them all
// back at once, which a disk does faster than one read after another.
void CopyGroup::Impl::Flush(std::vector<Pending>& group) {
  std::vector<std::string> synced;
  for (Pending& p : group) {
    if (p.temp.empty() || std::find(synced.begin(), synced.end(), p.folder) != synced.end()) {
      continue;
    }
    int e = os::kNotThere;
    if (group.size() > 1 && p.traits.whole_sync) {
      e = seam::Flush(*p.file, true);
      if (e == 0) synced.push_back(p.folder);
    }
    if (e == os::kNotThere) e = seam::Flush(*p.file, false);
    if (e != 0) throw RuntimeError(MediumError(e, p.source, p.destination));
    if (between) between();
  }
  for (Pending& p : group) {
    if (!p.temp.empty()) os::Drop(*p.file, p.traits);
  }
}

// Reads a written copy back from the medium and compares it with the source as it is now, to the
// end of the source: the copy must hold exactly its bytes, no more. Never mapped: a card pulled
// out under a mapping would kill the program.
CopyOutcome CopyGroup::Impl::Verify(Pending& p) {
  CopyOutcome outcome{p.source, p.destination, false, 0, p.info.stamp};
  FileStamp now;
  const int stamped = os::StampNow(*p.from, now);
  // A photo changed since it was copied: what was copied is no longer the photo. Its change
  // time is not compared: a rename or removal moves it, and the bytes copied are still the photo's.
  if (stamped == os::kNotThere ||
      (stamped == 0 && (now.size != p.info.stamp.size || now.modified != p.info.stamp.modified))) {
    return outcome;
  }
  os::File back;
  int e = stamped != 0 ? stamped : seam::OpenReadBack(*p.file, p.temp, back);
  if (e == os::kNotThere) e = 0;
  os::FileHandle& copy = back ? *back : *p.file;
  if (!a) a = Aligned(kCompareChunk);
  if (!b) b = Aligned(kCompareChunk);
  for (std::uint64_t offset = 0; e == 0;) {
    std::size_t na = 0, nb = 0;
    e = os::ReadAt(*p.from, a.get(), kCompareChunk, offset, na);
    if (e == 0) e = os::ReadAt(copy, b.get(), kCompareChunk, offset, nb);
    if (e != 0) break;
    if (na != nb || std::memcmp(a.get(), b.get(), na) != 0) return outcome;
    if (na < kCompareChunk) {
      outcome.verified = true;
      return outcome;
    }
    offset += na;
    if (between && offset % kTurn == 0) between();
  }
  outcome.error = MediumError(e, p.source, p.destination);
  return outcome;
}

// Final attributes first, while the file is still hidden and writable; the name last. A copy made
// for a name that was free then never replaces what took the name since.
int CopyGroup::Impl::Name(Pending& p) {
  if (const int e = seam::SetFinalAttributes(*p.file, p.info)) return e;
  if (const int e = seam::Rename(*p.file, p.temp, p.destination, p.replaces)) return e;
  p.temp.clear();  // it has its name now
  p.from.reset();
  named.push_back(std::move(p));
  return 0;
}

// One flush per folder, which holds the names; where the file system refuses to flush a folder
// (FAT and exFAT may), each copy's own flush, as such a file system keeps a file's name and
// attributes in the entry it flushes with the file. Only a failure of the medium fails copies.
void CopyGroup::Impl::Settle(std::vector<CopyOutcome>& outcomes) {
  const std::vector<Pending> copies = std::exchange(named, {});
  const auto fail = [&outcomes](const std::string& destination, int error) {
    for (CopyOutcome& o : outcomes) {
      if (o.verified && o.destination == destination) {
        o.verified = false;
        o.error = error;
      }
    }
  };
  std::vector<std::string> done;
  for (const Pending& first : copies) {
    if (std::find(done.begin(), done.end(), first.folder) != done.end()) continue;
    done.push_back(first.folder);
    const int e = os::SyncFolder(first.folder);
    if (e == 0) continue;
    for (const Pending& copy : copies) {
      if (copy.folder != first.folder) continue;
      if (e != os::kNotThere) {
        fail(copy.destination, e);
      } else if (const int flushed = os::FlushFile(*copy.file)) {
        fail(copy.destination, flushed);
      } else if (between) {
        between();
      }
    }
  }
}

CopyGroup::CopyGroup(CopyGroupLimits limits, std::function<void()> between_chunks)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  // Each waiting copy holds files open: a group may not hold more than the process may have.
  impl_->limits.files = std::min(limits.files, os::OpenFileBudget());
  impl_->between = std::move(between_chunks);
}

CopyGroup::~CopyGroup() = default;

void CopyGroup::Add(const std::string& source, const std::string& destination) {
  Impl& g = *impl_;
  Pending p;
  ThrowIfError(g.Write(source, destination, p));
  g.names.insert(destination);
  if (p.traits.ignores_case) g.folded_names.insert(os::FoldedName(destination));
  if (!p.temp.empty()) g.bytes += p.info.stamp.size;
  g.pending.push_back(std::move(p));
}

bool CopyGroup::Holds(const std::string& destination) const {
  const Impl& g = *impl_;
  return g.names.contains(destination) ||
         (!g.folded_names.empty() && g.folded_names.contains(os::FoldedName(destination)));
}

bool CopyGroup::Full() const noexcept {
  const Impl& g = *impl_;
  return g.pending.size() >= g.limits.files || g.bytes >= g.limits.bytes;
}

std::vector<CopyOutcome> CopyGroup::Commit() {
  Impl& g = *impl_;
  std::vector<Pending> pending = std::exchange(g.pending, {});
  g.names.clear();
  g.folded_names.clear();
  g.bytes = 0;
  // Whatever happens, no temporary outlives the commit.
  const struct Cleanup {
    std::vector<Pending>& pending;
    std::vector<Pending>& named;
    ~Cleanup() {
      for (Pending& p : pending) Remove(p);
      named.clear();
    }
  } cleanup{pending, g.named};
  if (pending.empty()) return {};
  g.Flush(pending);

  std::vector<CopyOutcome> outcomes;
  for (Pending& p : pending) {
    if (g.between) g.between();
    CopyOutcome outcome{p.source, p.destination, false, 0, p.info.stamp};
    // Onto the source itself, nothing was written, and there is still one file only, which must
    // never be taken for a proved copy of itself.
    if (!p.temp.empty()) {
      outcome = g.Verify(p);
      if (outcome.verified) {
        if (const int named = g.Name(p); named != 0) {
          outcome.verified = false;
          outcome.error = named;
        }
      }
    }
    Remove(p);
    outcomes.push_back(std::move(outcome));
  }
  g.Settle(outcomes);
  return outcomes;
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
