#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "copy/PhotoExtensions.h"
#include "lists/ListingFindsEntry.h"
#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/copy.h"
#include "platform/files.h"

namespace pixferry {
namespace {

// Characters that cannot be part of the case folder's name, replaced in this order.
constexpr std::string_view kUnsafeCharacters = "?%*$\\/ ";

void ReplaceUnsafeCharacters(std::string& text) {
  for (const char unsafe : kUnsafeCharacters) {
    for (char& c : text) {
      if (c == unsafe) c = '_';
    }
  }
}

// Photos and videos, in all lower or all upper case; a mixed-case extension is passed over.
bool IsPhotoOrVideo(std::string_view name) {
  for (const std::string_view extension : kPhotoExtensions) {
    if (name.ends_with(extension) || name.ends_with(AsciiUpper(std::string(extension))))
      return true;
  }
  return false;
}

// At least eight digits, zero-padded: 4 gives 00000004.
std::string SerialName(std::int64_t serial, const std::string& extension) {
  std::string digits = std::to_string(serial);
  if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
  return digits + extension;
}

// The names the case folder holds, hidden and system files included, in small letters: a
// serial number is taken whatever the letter case of the file that has it.
std::unordered_set<std::string> NamesIgnoringCase(const std::string& folder) {
  std::unordered_set<std::string> names;
  Listing listing(folder + kSep, attr::kHidden | attr::kSystem);
  while (std::optional<std::string> name = listing.Next()) names.insert(AsciiLower(*name));
  if (listing.error() != 0) throw RuntimeError(listing.error());
  return names;
}

// While a group is read back, the card can be reading the next files.
constexpr std::size_t kReadAheadFiles = 1024;
constexpr unsigned long long kReadAheadBytes = 256ull << 20;
// How often one photo moves on to the next free number before its taken name counts as an error:
// a name that can never be given must end the run, not loop.
constexpr int kNameRetries = 16;

// One run of the copy, step by step: the group of copies waiting, where the serial numbers
// stand, and whether the run has ended. The form holds the names and the screen.
class MassCopy {
 public:
  MassCopy(frmMain& form, std::int32_t& errors)
      : form_(form),
        errors_(errors),
        copies_(form.copy_group_limits, [&form] { form.desktop.KeepAlive(); }) {}

  void Run(std::int32_t count, const std::vector<std::string>& files);

 private:
  void Prepare();
  bool ChooseTarget(const std::string& source);
  std::string NextFreeSerial(const std::string& extension);
  void Add(const std::string& source_name, const std::string& target_name);
  void ReadAhead(std::int32_t position, std::int32_t count, const std::vector<std::string>& files);
  void Settle();
  void Tell(const CopyOutcome& outcome, const std::string& source_name);
  void Abort();

  frmMain& form_;
  std::int32_t& errors_;
  CopyGroup copies_;
  std::vector<std::string> names_in_group_;  // the source names of the group's copies, in order
  std::string case_folder_;
  bool renaming_ = false;
  std::int64_t next_serial_ = 1;
  std::unordered_set<std::string> taken_serials_;  // in small letters
  bool ended_ = false;
  std::unordered_map<std::string, int> retries_;  // by source name
};

void MassCopy::Run(std::int32_t count, const std::vector<std::string>& files) {
  try {
    Prepare();
    for (std::int32_t position = 1; position <= count && !ended_; ++position) {
      if (static_cast<std::size_t>(position) >= files.size()) {
        throw RuntimeError(err::kSubscriptOutOfRange);
      }
      form_.desktop.KeepAlive();
      form_.strSourceFileName = files[static_cast<std::size_t>(position)];
      form_.strTargetFileName = form_.strSourceFileName;
      if (!IsPhotoOrVideo(form_.strSourceFileName)) continue;
      if (!ChooseTarget(form_.strSourceFileName)) continue;
      Add(form_.strSourceFileName, form_.strTargetFileName);
      if (copies_.Full()) {
        ReadAhead(position, count, files);
        Settle();
      }
    }
    // A copy whose serial number was taken meanwhile waits again under the next free one.
    while (!ended_ && !names_in_group_.empty()) Settle();
  } catch (...) {
    Abort();
  }
}

// The case folder made, a killed run's leftovers gone, and where the serial numbers continue.
void MassCopy::Prepare() {
  ReplaceUnsafeCharacters(form_.strIncidentNumber);
  ReplaceUnsafeCharacters(form_.strUserName);
  ReplaceUnsafeCharacters(form_.strCopyDate);
  case_folder_ = form_.CaseFolderPath();
  if (!ListingFindsEntry(case_folder_, attr::kDirectory)) ThrowIfError(MakeFolder(case_folder_));
  // Copies a killed run left hidden here; a live run's are locked and stay.
  CleanLeftovers(case_folder_);
  renaming_ = form_.strRenameSwitch == "True";
  if (renaming_) {
    std::string last_file;
    std::int32_t files = 0;
    std::int32_t error = 0;
    form_.SetLastTargetFile(last_file, files, error);
    next_serial_ = files + 1;
    taken_serials_ = NamesIgnoringCase(case_folder_);
  }
}

// The name the photo is copied under, in strTargetFileName; false when it is not to be copied
// (the operator said No to overwriting, or the run ended).
bool MassCopy::ChooseTarget(const std::string& source) {
  if (renaming_) {
    form_.strTargetFileName = NextFreeSerial(source.substr(source.rfind('.')));
    return true;
  }
  const std::string destination = case_folder_ + kSep + form_.strTargetFileName;
  // A copy waiting for this name (the same name but for case, where case is ignored) takes it
  // first, so the question is about a file that is there.
  if (copies_.Holds(destination)) {
    Settle();
    if (ended_) return false;
  }
  if (!ListingFindsEntry(destination, attr::kHidden | attr::kSystem)) return true;
  return form_.desktop.MsgBox("The file " + form_.strTargetFileName + " already exists. Overwrite?",
                              mb::kYesNo + mb::kInformation, "Overwrite?") == mb::kAnswerYes;
}

// The next serial number no file of the case folder has and no waiting copy takes; it is
// taken from then on.
std::string MassCopy::NextFreeSerial(const std::string& extension) {
  for (;;) {
    const std::string name = SerialName(next_serial_++, extension);
    if (taken_serials_.contains(AsciiLower(name))) continue;
    const std::string destination = case_folder_ + kSep + name;
    if (copies_.Holds(destination) ||
        ListingFindsEntry(destination, attr::kHidden | attr::kSystem)) {
      continue;
    }
    taken_serials_.insert(AsciiLower(name));
    return name;
  }
}

// The photos may be evidence and the card is cleansed next: a copy that is missing, short or
// different never takes the file's name.
void MassCopy::Add(const std::string& source_name, const std::string& target_name) {
  std::string progress = "Copying Files... " + source_name;
  if (renaming_) progress += " as " + target_name;
  form_.txtMessage.SetText(progress);
  form_.txtMessage.Refresh();
  copies_.Add(form_.strSourcePath + kSep + source_name, case_folder_ + kSep + target_name);
  names_in_group_.push_back(source_name);
}

// Asks the system to read the next files of the card while the group is read back.
void MassCopy::ReadAhead(std::int32_t position, std::int32_t count,
                         const std::vector<std::string>& files) {
  unsigned long long hinted = 0;
  for (std::int32_t next = position + 1;
       next <= count && next - position <= static_cast<std::int32_t>(kReadAheadFiles) &&
       hinted < kReadAheadBytes && static_cast<std::size_t>(next) < files.size();
       ++next) {
    const std::string path = form_.strSourcePath + kSep + files[static_cast<std::size_t>(next)];
    ReadAheadHint(path);
    if (FileStamp stamp; StampOf(path, stamp) == 0) hinted += stamp.size;
  }
}

// Commits the group and tells the operator about each copy that was not proved, in list order.
// With renaming on, a copy whose number another run took at the moment of its rename waits
// again under the next free number.
void MassCopy::Settle() {
  const std::vector<CopyOutcome> outcomes = copies_.Commit();
  std::vector<std::string> names = std::exchange(names_in_group_, {});
  std::vector<std::string> again;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const CopyOutcome& outcome = outcomes[i];
    if (outcome.verified) {
      form_.verified_copies.Add(outcome.source, outcome.stamp);
    } else if (renaming_ && !ended_ && outcome.error == err::kFileAlreadyExists &&
               ++retries_[names.at(i)] <= kNameRetries) {
      again.push_back(names.at(i));
    } else {
      Tell(outcome, names.at(i));
    }
  }
  if (ended_) return;
  for (const std::string& name : again) {
    form_.strTargetFileName = NextFreeSerial(name.substr(name.rfind('.')));
    Add(name, form_.strTargetFileName);
  }
}

// A copy not proved is an error of the run, whether or not the operator goes on; once the run
// has ended, the copies still waiting are not asked about.
void MassCopy::Tell(const CopyOutcome& outcome, const std::string& source_name) {
  if (ended_) return;
  ++errors_;
  if (outcome.error != 0) {
    try {
      throw RuntimeError(outcome.error);
    } catch (...) {
      form_.ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
    }
    ended_ = true;
    return;
  }
  const int answer = form_.desktop.MsgBox("There was an error in copying the file " + source_name +
                                              ".  Do you want to continue to the next file?",
                                          mb::kYesNo + mb::kStop, "Error!");
  if (answer != mb::kAnswerYes) ended_ = true;
}

// A failure ends the run; the copies made before it are still proved and kept.
void MassCopy::Abort() {
  ++errors_;
  ended_ = true;
  form_.ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
  try {
    Settle();
  } catch (...) {
    form_.ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
  }
}

}  // namespace

// Copies the photos and videos of strFiles (positions 1 to lngCount) from the source folder into
// the case folder, each under its own name or, with renaming on, under the next free serial
// number. Copies are flushed, read back from the destination's storage and compared with their
// sources a group at a time; only a copy proved equal takes its name, and what goes wrong with a
// copy is told in list order before the next group starts. Copies proved before a failure stay.
void frmMain::StartMassCopy(std::int32_t& lngErrors, std::int32_t lngCount,
                            const std::vector<std::string>& strFiles) {
  MassCopy(*this, lngErrors).Run(lngCount, strFiles);
}

// Tells where the serial numbers continue: the number of files the case folder holds, and the
// last of their names.
void frmMain::SetLastTargetFile(std::string& strLastFile, std::int32_t& intLastFile,
                                std::int32_t& intError) {
  try {
    strTargetPath = CaseFolderPath();
    if (ListingFindsEntry(strTargetPath, attr::kDirectory)) {
      std::int32_t lngFileCount = 0;
      std::vector<std::string> strFiles;
      SortedFiles(strTargetPath + kSep, lngFileCount, strFiles, true, true);
      strLastFile =
          lngFileCount > 0 ? strFiles.at(static_cast<std::size_t>(lngFileCount)) : std::string();
      intLastFile = lngFileCount;
    }
  } catch (...) {
    ++intError;
    ShowErrorBox(" in Function SetLastTargetFile");
  }
}

}  // namespace pixferry
