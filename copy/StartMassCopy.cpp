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
#include "platform/copy.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"

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

// How often one photo moves on to the next free number before its taken name counts as an error:
// a name that can never be given must end the run, not loop.
constexpr int kNameRetries = 16;

// One run of the copy, step by step: the copies in flight, where the serial numbers stand, and
// whether the run has ended. The card is read on this thread while the job checks the copies
// beside it; what the checks find is told as soon as this thread sees it, between copies and
// while it waits for them. The form holds the names and the screen.
class MassCopy {
 public:
  MassCopy(frmMain& form, std::int32_t& errors) : form_(form), errors_(errors) {}

  void Run(std::int32_t count, const std::vector<std::string>& files);

 private:
  void Prepare();
  bool ChooseTarget(const std::string& source);
  std::string NextFreeSerial(const std::string& extension);
  void MakeRoom();
  void Add(const std::string& source_name, const std::string& target_name);
  void ShowProgress(const std::string& source_name, const std::string& target_name);
  void Conclude();
  void Take(const std::vector<CopyOutcome>& outcomes);
  void Tell(const CopyOutcome& outcome);
  bool MovedOn(const CopyOutcome& outcome);
  void Abort();

  frmMain& form_;
  std::int32_t& errors_;
  std::optional<CopyJob> copies_;
  CaseInProgress in_progress_;  // the case folder's mark, for the next start after a kill
  std::string case_folder_;
  bool renaming_ = false;
  std::int64_t next_serial_ = 1;
  std::unordered_set<std::string> taken_serials_;  // in small letters
  bool ended_ = false;
  std::unordered_map<std::size_t, int> retries_;  // by the copy's number in the job
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
      MakeRoom();
      if (ended_) break;
      Add(form_.strSourceFileName, form_.strTargetFileName);
      Take(copies_->TakeFinished());
    }
    Conclude();
    in_progress_.End();
  } catch (...) {
    Abort();
  }
}

// The case folder made, a killed run's leftovers gone, where the serial numbers continue, and
// the job whose copies the case folder's hash list records.
void MassCopy::Prepare() {
  ReplaceUnsafeCharacters(form_.strIncidentNumber);
  ReplaceUnsafeCharacters(form_.strUserName);
  ReplaceUnsafeCharacters(form_.strCopyDate);
  case_folder_ = form_.CaseFolderPath();
  if (!ListingFindsEntry(case_folder_, attr::kDirectory)) ThrowIfError(MakeFolder(case_folder_));
  // Copies a killed run left hidden here; a live run's are locked and stay.
  CleanLeftovers(case_folder_);
  in_progress_ = form_.cases_in_progress.Begin(case_folder_);
  renaming_ = form_.strRenameSwitch == "True";
  if (renaming_) {
    std::string last_file;
    std::int32_t files = 0;
    std::int32_t error = 0;
    form_.SetLastTargetFile(last_file, files, error);
    next_serial_ = files + 1;
    taken_serials_ = NamesIgnoringCase(case_folder_);
  }
  frmMain& form = form_;
  copies_.emplace(
      form_.copy_job_limits, [&form] { form.desktop.KeepAlive(); },
      CaseList{form_.strSavePath, NameOf(case_folder_)});
}

// The name the photo is copied under, in strTargetFileName; false when it is not to be copied
// (the operator said No to overwriting, or the run ended).
bool MassCopy::ChooseTarget(const std::string& source) {
  if (renaming_) {
    form_.strTargetFileName = NextFreeSerial(source.substr(source.rfind('.')));
    return true;
  }
  const std::string destination = case_folder_ + kSep + form_.strTargetFileName;
  // A copy in flight for this name (the same name but for case, where case is ignored) takes it
  // first, so the question is about a file that is there.
  if (copies_->Holds(destination)) {
    Take(copies_->Finish());
    if (ended_) return false;
  }
  if (!ListingFindsEntry(destination, attr::kHidden | attr::kSystem)) return true;
  return form_.desktop.MsgBox("The file " + form_.strTargetFileName + " already exists. Overwrite?",
                              mb::kYesNo + mb::kInformation, "Overwrite?") == mb::kAnswerYes;
}

// The next serial number no file of the case folder has and no copy in flight takes; it is
// taken from then on.
std::string MassCopy::NextFreeSerial(const std::string& extension) {
  for (;;) {
    const std::string name = SerialName(next_serial_++, extension);
    if (taken_serials_.contains(AsciiLower(name))) continue;
    const std::string destination = case_folder_ + kSep + name;
    if (copies_->Holds(destination) ||
        ListingFindsEntry(destination, attr::kHidden | attr::kSystem)) {
      continue;
    }
    taken_serials_.insert(AsciiLower(name));
    return name;
  }
}

// While as many copies are in flight as the job allows, what the checks find is told as it comes.
void MassCopy::MakeRoom() {
  while (!ended_ && copies_->Full()) Take(copies_->AwaitFinished());
}

// The photos may be evidence and the card is cleansed next: a copy that is missing, short or
// different never takes the file's name.
void MassCopy::Add(const std::string& source_name, const std::string& target_name) {
  ShowProgress(source_name, target_name);
  copies_->Add(form_.strSourcePath + kSep + source_name, case_folder_ + kSep + target_name);
}

void MassCopy::ShowProgress(const std::string& source_name, const std::string& target_name) {
  std::string progress = "Copying Files... " + source_name;
  if (renaming_) progress += " as " + target_name;
  form_.txtMessage.SetText(progress);
  form_.txtMessage.Refresh();
}

// The copies still in flight when the list is done; a copy given another number is one more.
void MassCopy::Conclude() {
  for (std::vector<CopyOutcome> outcomes = copies_->Finish(); !outcomes.empty();
       outcomes = copies_->Finish()) {
    Take(outcomes);
  }
}

void MassCopy::Take(const std::vector<CopyOutcome>& outcomes) {
  for (const CopyOutcome& outcome : outcomes) {
    if (outcome.verified) {
      form_.verified_copies.Add(outcome.source, outcome.stamp, outcome.destination, outcome.digest);
    } else if (!ended_ && !MovedOn(outcome)) {
      Tell(outcome);
    }
  }
}

// With renaming on, a proved copy whose number another run took at the moment of its rename
// takes the next free number.
bool MassCopy::MovedOn(const CopyOutcome& outcome) {
  if (!renaming_ || outcome.error != err::kFileAlreadyExists ||
      ++retries_[outcome.number] > kNameRetries) {
    return false;
  }
  const std::string source_name = NameOf(outcome.source);
  form_.strTargetFileName = NextFreeSerial(source_name.substr(source_name.rfind('.')));
  ShowProgress(source_name, form_.strTargetFileName);
  copies_->Rename(outcome.number, case_folder_ + kSep + form_.strTargetFileName);
  return true;
}

// A copy not proved is an error of the run, whether or not the operator goes on. It is asked
// about with the status box showing it. No ends the run at once: the copies not yet proved go.
// A failure of the medium ends it too, in one box; the copies written before it are still
// checked, and those proved are kept.
void MassCopy::Tell(const CopyOutcome& outcome) {
  ++errors_;
  if (outcome.error != 0) {
    try {
      throw RuntimeError(outcome.error);
    } catch (...) {
      form_.ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
    }
    ended_ = true;
    Take(copies_->Finish());
    return;
  }
  const std::string source_name = NameOf(outcome.source);
  ShowProgress(source_name, NameOf(outcome.destination));
  const int answer = form_.desktop.MsgBox("There was an error in copying the file " + source_name +
                                              ".  Do you want to continue to the next file?",
                                          mb::kYesNo + mb::kStop, "Error!");
  if (answer != mb::kAnswerYes) {
    ended_ = true;
    Take(copies_->Abandon());
  }
}

// A failure ends the run; the copies written before it are still checked, and those proved kept.
void MassCopy::Abort() {
  ++errors_;
  ended_ = true;
  form_.ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
  if (copies_) Take(copies_->Finish());
}

}  // namespace

// Copies the photos and videos of strFiles (positions 1 to lngCount) from the source folder into
// the case folder, each under its own name or, with renaming on, under the next free serial
// number. Each photo is read once; its copy is flushed, read back from the destination's storage
// and its SHA-256 compared with the photo's beside the reading of the next ones; only a copy
// proved equal takes its name and its line in the case folder's hash list, and what goes wrong
// with a copy is told as soon as it is found. Copies proved before a failure stay.
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
