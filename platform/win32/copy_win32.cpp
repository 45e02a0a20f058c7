// Whole-file copies, Windows side: the bytes go into a hidden temporary file beside the
// destination, held open without sharing while it exists. The group flushes its copies, reads
// each back from the medium past the system cache (FILE_FLAG_NO_BUFFERING) and compares it with
// the source; only a copy that matches is renamed, through its own handle, and only then loses
// its hidden attribute. Neither a failure nor a crash leaves a partial or wrong file under a
// final name or loses the file being replaced.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/temp_names.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_errors.h"

namespace pixferry {
namespace {

// Small enough that a long copy gives its window a turn several times a second; a multiple of
// every sector size, as reads past the cache require.
constexpr DWORD kChunk = 1 << 20;
constexpr unsigned long long kCallbackBytes = 16ull << 20;

[[noreturn]] void ThrowLastError() {
  throw RuntimeError(LastError());
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring NameOf(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// Attributes for SetFileAttributesW, with or without the read-only bit.
DWORD Settable(DWORD attributes, bool read_only) {
  DWORD a = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  if (read_only) a |= FILE_ATTRIBUTE_READONLY;
  return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!::GetFileInformationByHandle(a, &ia) || !::GetFileInformationByHandle(b, &ib)) {
    return false;
  }
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

FileStamp StampFrom(DWORD size_high, DWORD size_low, const FILETIME& written) {
  return {(static_cast<unsigned long long>(size_high) << 32) | size_low,
          static_cast<long long>((static_cast<unsigned long long>(written.dwHighDateTime) << 32) |
                                 written.dwLowDateTime)};
}

bool StampOfHandle(HANDLE file, FileStamp& stamp) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  stamp = StampFrom(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
  return true;
}

bool MarkForDeletion(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

// Renames the file behind handle to destination: the name goes with the handle, so no other
// file can slip in between.
bool RenameByHandle(HANDLE file, const std::wstring& destination, bool replace) {
  const std::size_t bytes = sizeof(FILE_RENAME_INFO) + (destination.size() + 1) * sizeof(wchar_t);
  std::vector<unsigned char> buffer(bytes, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(destination.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, destination.c_str(), (destination.size() + 1) * sizeof(wchar_t));
  return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(bytes)) !=
         FALSE;
}

// A buffer aligned for reads past the cache: whole pages.
struct VirtualFree_ {
  void operator()(void* p) const noexcept { ::VirtualFree(p, 0, MEM_RELEASE); }
};
using AlignedBuffer = std::unique_ptr<void, VirtualFree_>;

AlignedBuffer AllocateAligned(std::size_t size) {
  void* p = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!p) throw std::bad_alloc();
  return AlignedBuffer(p);
}

// Reads until count bytes or the end: the number read, or -1 with the error left in
// GetLastError.
long long ReadUpTo(HANDLE file, char* buffer, DWORD count) {
  DWORD total = 0;
  while (total < count) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer + total, count - total, &got, nullptr)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (got == 0) break;
    total += got;
  }
  return total;
}

// A path in capitals, as the file system compares names: Windows names do not differ by case.
std::wstring CaseKey(const std::wstring& path) {
  std::wstring key(path.size(), L'\0');
  const int n = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.c_str(),
                                static_cast<int>(path.size()), key.data(),
                                static_cast<int>(key.size()), nullptr, nullptr, 0);
  if (n <= 0) return path;
  key.resize(static_cast<std::size_t>(n));
  return key;
}

}  // namespace

struct CopyGroup::Impl {
  struct Pending {
    std::string source;
    std::string destination;
    std::wstring wide_source;
    std::wstring wide_destination;
    std::wstring temp;  // empty: the destination is the source itself
    UniqueHandle file;  // the temporary, shared with no writer while it exists
    FileStamp stamp;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;  // the copy's own once named (never hidden)
    bool replaces = false;
  };

  ~Impl() {
    for (Pending& p : pending) Remove(p);
  }

  static void Remove(Pending& p) noexcept {
    if (p.file && !p.temp.empty()) MarkForDeletion(p.file.get());
    p.file.reset();
    p.temp.clear();
  }

  void CreateTemporary(Pending& p) {
    const std::wstring folder = FolderOf(p.wide_destination);
    const std::size_t final_length = NameOf(p.wide_destination).size();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::wstring candidate = folder + Widen(TemporaryName(final_length, random()));
      HANDLE h =
          ::CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        p.file = OwnHandle(h);
        p.temp = candidate;
        return;
      }
      const DWORD e = ::GetLastError();
      if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) ThrowLastError();
    }
    throw RuntimeError(err::kPathFileAccessError);
  }

  // Reads the copy back from the medium and compares it with the source as it is now.
  CopyOutcome Verify(Pending& p) const {
    CopyOutcome outcome{p.source, p.destination, false, 0, p.stamp};
    if (p.temp.empty()) {
      outcome.verified = true;
      return outcome;
    }
    if (const int e = faults::Check(faults::Op::CopyVerify)) {
      outcome.error = e;
      return outcome;
    }
    const UniqueHandle in = OwnHandle(::CreateFileW(
        p.wide_source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FileStamp now{};
    if (!in || !StampOfHandle(in.get(), now)) {
      outcome.error = LastError();
      return outcome;
    }
    // A photo changed since it was copied: what was copied is no longer the photo.
    if (now != p.stamp) return outcome;
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueHandle back = OwnHandle(::CreateFileW(p.temp.c_str(), GENERIC_READ, kShare, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr));
    // A file system that cannot read past its cache reads through it: compared after the flush.
    if (!back) {
      back = OwnHandle(::CreateFileW(p.temp.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }
    if (!back) {
      outcome.error = LastError();
      return outcome;
    }
    // Made once for the group: a photo of a few kilobytes should not pay for them.
    if (!a) a = AllocateAligned(kChunk);
    if (!b) b = AllocateAligned(kChunk);
    unsigned long long since_callback = 0;
    for (;;) {
      const long long na = ReadUpTo(in.get(), static_cast<char*>(a.get()), kChunk);
      if (na < 0) {
        outcome.error = LastError();
        return outcome;
      }
      const long long nb = ReadUpTo(back.get(), static_cast<char*>(b.get()), kChunk);
      if (nb < 0) {
        outcome.error = LastError();
        return outcome;
      }
      if (na != nb || std::memcmp(a.get(), b.get(), static_cast<std::size_t>(na)) != 0) {
        return outcome;
      }
      if (na == 0) break;
      since_callback += static_cast<unsigned long long>(na);
      if (between && since_callback >= kCallbackBytes) {
        since_callback = 0;
        between();
      }
    }
    outcome.verified = true;
    return outcome;
  }

  // Gives a verified copy its name and then its own attributes; a name taken since the copy was
  // made for a free one is not replaced.
  int Name(Pending& p) const {
    if (const int e = faults::Check(faults::Op::CopyRename)) return e;
    DWORD to_attributes = INVALID_FILE_ATTRIBUTES;
    bool read_only_target = false;
    if (p.replaces) {
      // Replacing an earlier copy has been asked for; its read-only bit (kept from a photo the
      // camera protected) must not stand in the way, as it does not on other systems.
      to_attributes = ::GetFileAttributesW(p.wide_destination.c_str());
      read_only_target = to_attributes != INVALID_FILE_ATTRIBUTES &&
                         (to_attributes & FILE_ATTRIBUTE_READONLY) &&
                         !(to_attributes & FILE_ATTRIBUTE_DIRECTORY);
      if (read_only_target) {
        ::SetFileAttributesW(p.wide_destination.c_str(), Settable(to_attributes, false));
      }
    }
    if (!RenameByHandle(p.file.get(), p.wide_destination, p.replaces)) {
      const DWORD e = ::GetLastError();
      if (read_only_target) {
        ::SetFileAttributesW(p.wide_destination.c_str(), Settable(to_attributes, true));
      }
      if (e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS) return err::kFileAlreadyExists;
      // A folder that took the name meanwhile is no file to replace.
      const DWORD now = ::GetFileAttributesW(p.wide_destination.c_str());
      if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY)) {
        return err::kPathFileAccessError;
      }
      return ErrorFromWin32(e);
    }
    p.temp.clear();  // it has its name now
    // Hidden until now, so that a crash never left a visible half-made copy.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = p.attributes;
    if (!::SetFileInformationByHandle(p.file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !::FlushFileBuffers(p.file.get())) {
      return LastError();
    }
    return 0;
  }

  CopyGroupLimits limits;
  std::function<void()> between;
  std::vector<Pending> pending;
  std::unordered_set<std::wstring> names;  // the pending destinations' case keys
  unsigned long long bytes = 0;
  mutable AlignedBuffer a, b;  // the read-back's
  std::vector<char> buffer;    // the copy's
  std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}() ^
                         ::GetTickCount64()};
};

CopyGroup::CopyGroup(CopyGroupLimits limits, std::function<void()> between_chunks)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  impl_->between = std::move(between_chunks);
}
CopyGroup::~CopyGroup() = default;

std::size_t CopyGroup::PendingFiles() const noexcept {
  return impl_->pending.size();
}

bool CopyGroup::Full() const noexcept {
  return impl_->pending.size() >= impl_->limits.files || impl_->bytes >= impl_->limits.bytes;
}

bool CopyGroup::Holds(const std::string& destination) const {
  return impl_->names.contains(CaseKey(LongPath(destination)));
}

void CopyGroup::Add(const std::string& source, const std::string& destination) {
  Impl& g = *impl_;
  if (const int e = faults::Check(faults::Op::CopyOpen)) throw RuntimeError(e);
  Impl::Pending p;
  p.source = source;
  p.destination = destination;
  p.wide_source = LongPath(source);
  p.wide_destination = LongPath(destination);

  const DWORD from_attributes = ::GetFileAttributesW(p.wide_source.c_str());
  if (from_attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if (from_attributes & FILE_ATTRIBUTE_DIRECTORY) throw RuntimeError(err::kPathFileAccessError);
  const DWORD to_attributes = ::GetFileAttributesW(p.wide_destination.c_str());
  if (to_attributes != INVALID_FILE_ATTRIBUTES && (to_attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw RuntimeError(err::kPathFileAccessError);
  }
  p.replaces = to_attributes != INVALID_FILE_ATTRIBUTES;

  const UniqueHandle in =
      OwnHandle(::CreateFileW(p.wide_source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) ThrowLastError();
  if (!StampOfHandle(in.get(), p.stamp)) ThrowLastError();

  // Onto itself (the same name, another spelling of it, or a hard link): nothing to do, and
  // writing would destroy the only copy. A link is opened as itself, not as what it leads to:
  // it is replaced by a real copy, never written through.
  if (p.replaces) {
    const UniqueHandle existing =
        OwnHandle(::CreateFileW(p.wide_destination.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (existing && SameFile(in.get(), existing.get())) {
      g.names.insert(CaseKey(p.wide_destination));
      g.pending.push_back(std::move(p));
      return;
    }
  }

  g.CreateTemporary(p);
  try {
    if (const int e = faults::Check(faults::Op::CopyRead)) throw RuntimeError(e);
    if (const int e = faults::Check(faults::Op::CopyWrite)) throw RuntimeError(e);
    std::vector<char>& buffer = g.buffer;
    buffer.resize(kChunk);
    unsigned long long since_callback = 0;
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(in.get(), buffer.data(), kChunk, &got, nullptr)) ThrowLastError();
      if (got == 0) break;
      DWORD put = 0;
      if (!::WriteFile(p.file.get(), buffer.data(), got, &put, nullptr)) ThrowLastError();
      if (put != got) throw RuntimeError(err::kDiskFull);
      g.bytes += got;
      since_callback += got;
      if (g.between && since_callback >= kCallbackBytes) {
        since_callback = 0;
        g.between();
      }
    }
    // The copy keeps the time the photo was last changed, as the shell's copy does; it stays
    // hidden until it has its name.
    FILE_BASIC_INFO basic{};  // zero times are left as they are
    FILETIME written{};
    if (::GetFileTime(in.get(), nullptr, nullptr, &written)) {
      basic.LastWriteTime.LowPart = written.dwLowDateTime;
      basic.LastWriteTime.HighPart = static_cast<LONG>(written.dwHighDateTime);
      basic.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
      ::SetFileInformationByHandle(p.file.get(), FileBasicInfo, &basic, sizeof basic);
    }
  } catch (...) {
    Impl::Remove(p);
    throw;
  }
  constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  p.attributes = (from_attributes & kKept) ? from_attributes & kKept : FILE_ATTRIBUTE_NORMAL;
  g.names.insert(CaseKey(p.wide_destination));
  g.pending.push_back(std::move(p));
}

std::vector<CopyOutcome> CopyGroup::Commit() {
  Impl& g = *impl_;
  g.bytes = 0;
  std::vector<Impl::Pending> pending = std::exchange(g.pending, {});
  g.names.clear();
  // Whatever happens, no temporary outlives the commit.
  const struct Cleanup {
    std::vector<Impl::Pending>& pending;
    ~Cleanup() {
      for (Impl::Pending& p : pending) Impl::Remove(p);
    }
  } cleanup{pending};
  if (pending.empty()) return {};
  if (const int e = faults::Check(faults::Op::CopyCommit)) throw RuntimeError(e);
  // Every copy is on the medium before the first one is read back.
  for (const Impl::Pending& p : pending) {
    if (p.file && !::FlushFileBuffers(p.file.get())) ThrowLastError();
  }

  std::vector<CopyOutcome> outcomes;
  for (Impl::Pending& p : pending) {
    if (g.between) g.between();
    CopyOutcome outcome = g.Verify(p);
    if (outcome.verified && !p.temp.empty()) {
      if (const int e = g.Name(p); e != 0) {
        outcome.verified = false;
        outcome.error = e;
      }
    }
    Impl::Remove(p);
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

void CopyWholeFile(const std::string& source, const std::string& destination) {
  CopyGroup one;
  one.Add(source, destination);
  const std::vector<CopyOutcome> outcomes = one.Commit();
  if (outcomes.at(0).error != 0) throw RuntimeError(outcomes[0].error);
  if (!outcomes[0].verified) throw RuntimeError(err::kDeviceIoError);
}

int CleanLeftovers(const std::string& folder) noexcept {
  try {
    std::wstring base = LongPath(folder);
    if (base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW found{};
    const UniqueFind find = OwnFind(::FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic,
                                                       &found, FindExSearchNameMatch, nullptr, 0));
    if (!find) return 0;
    int removed = 0;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
          !(found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ||
          !IsTemporaryName(Narrow(found.cFileName))) {
        continue;
      }
      // A live run holds each of its temporaries open without sharing: this open fails then.
      const UniqueHandle file = OwnHandle(
          ::CreateFileW((base + found.cFileName).c_str(), DELETE | FILE_WRITE_ATTRIBUTES, 0,
                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      if (!file) continue;
      FILE_BASIC_INFO basic{};
      basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // a read-only file refuses deletion
      ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
      if (MarkForDeletion(file.get())) ++removed;
    } while (::FindNextFileW(find.get(), &found));
    return removed;
  } catch (...) {
    return 0;
  }
}

// The system reads ahead on its own for files opened for sequential reading.
void ReadAheadHint(const std::string&) noexcept {}

std::optional<FileStamp> StampOf(const std::string& path) noexcept {
  try {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::nullopt;
    }
    return StampFrom(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace pixferry
