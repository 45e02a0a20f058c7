#include "platform/cases_in_progress.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/copy.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/primitives.h"
#include "platform/userfolders.h"

namespace pixferry {
namespace {

// ".case-" and sixteen hexadecimal digits; the file holds the case folder's path and a line end.
constexpr std::string_view kMarkPrefix = ".case-";
constexpr std::size_t kMarkDigits = 16;

bool IsMarkName(std::string_view name) {
  return name.size() == kMarkPrefix.size() + kMarkDigits && name.starts_with(kMarkPrefix) &&
         name.find_first_not_of("0123456789abcdef", kMarkPrefix.size()) == std::string_view::npos;
}

std::string MarkName(std::uint64_t random) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  std::string name(kMarkPrefix);
  for (std::size_t i = 0; i < kMarkDigits; ++i, random >>= 4) name += kDigits[random & 0xf];
  return name;
}

// The case folder a mark names; empty for a mark cut short before its line was whole. False when
// the mark could not be read.
bool ReadMark(const std::string& path, std::string& case_folder) {
  os::File file;
  os::Source source;
  if (os::OpenSource(path, file, source) != 0) return false;
  std::string text(static_cast<std::size_t>(source.stamp.size), '\0');
  std::size_t got = 0;
  if (os::ReadAt(*file, text.data(), text.size(), 0, got) != 0) return false;
  text.resize(got);
  case_folder.clear();
  if (text.size() > 1 && text.ends_with('\n')) case_folder = text.substr(0, text.size() - 1);
  return true;
}

// True when folder holds no temporary copy any more, or is gone from a folder that is still
// there (removed since, not on a drive that is not plugged in).
bool IsClean(const std::string& folder) {
  bool left = false;
  if (os::ListFiles(folder, [&left](const std::string& name) {
        left = left || IsTemporaryName(name);
      }) == 0) {
    return !left;
  }
  bool here = true, above = false;
  return FindEntry(folder, attr::kDirectory, here) == 0 && !here &&
         FindEntry(FolderOf(folder), attr::kDirectory, above) == 0 && above;
}

}  // namespace

struct CaseInProgress::Mark {
  std::string path;
  os::File file;  // locked while the job runs
};

CaseInProgress::CaseInProgress() = default;
CaseInProgress::~CaseInProgress() = default;
CaseInProgress::CaseInProgress(CaseInProgress&&) noexcept = default;
CaseInProgress& CaseInProgress::operator=(CaseInProgress&&) noexcept = default;

void CaseInProgress::End() noexcept {
  if (mark_) os::RemoveTemporary(*mark_->file, mark_->path);
  mark_.reset();
}

CaseInProgress CasesInProgress::Begin(const std::string& case_folder) const noexcept {
  CaseInProgress in_progress;
  if (folder_.empty()) return in_progress;
  try {
    if (std::string reason; MakeFolderPath(folder_, reason) != 0) return in_progress;
    std::mt19937_64 random((std::uint64_t{std::random_device{}()} << 32) ^ os::Entropy());
    auto mark = std::make_unique<CaseInProgress::Mark>();
    const os::Source plain;
    for (int attempt = 0; !mark->file; ++attempt) {
      if (attempt == 100) return in_progress;
      mark->path = folder_ + kSep + MarkName(random());
      const int e = os::CreateTemporary(mark->path, plain, mark->file);
      if (e != 0 && e != err::kFileAlreadyExists) return in_progress;
    }
    const std::string text = case_folder + "\n";
    int e = os::WriteAt(*mark->file, text.data(), text.size(), 0);
    if (e == 0) e = os::FlushFile(*mark->file);
    if (e == 0) e = os::SyncFolder(folder_);
    if (e != 0 && e != os::kNotThere) {
      os::RemoveTemporary(*mark->file, mark->path);
      return in_progress;
    }
    in_progress.mark_ = std::move(mark);
  } catch (...) {
  }
  return in_progress;
}

int CasesInProgress::CleanLeftBehind() const noexcept {
  if (folder_.empty()) return 0;
  int removed = 0;
  try {
    std::vector<std::string> marks;
    os::ListFiles(folder_, [&marks](const std::string& name) {
      if (IsMarkName(name)) marks.push_back(name);
    });
    for (const std::string& name : marks) {
      std::string case_folder;
      if (!ReadMark(folder_ + kSep + name, case_folder)) continue;
      bool clean = true;
      if (!case_folder.empty()) {
        const std::string root = FolderOf(case_folder);
        removed += CleanLeftovers(case_folder) + CleanLeftovers(root);
        clean = IsClean(case_folder) && IsClean(root);
      }
      // A live run holds its mark locked: then it stays.
      if (clean) os::RemoveUnlocked(folder_, name);
    }
  } catch (...) {
  }
  return removed;
}

}  // namespace pixferry
