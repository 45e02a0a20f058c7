#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
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
bool IsPhotoOrVideo(const std::string& name) {
  static constexpr std::array<std::string_view, 8> kExtensions = {".jpg", ".jpeg", ".mpg", ".mpeg",
                                                                  ".JPG", ".JPEG", ".MPG", ".MPEG"};
  for (const std::string_view extension : kExtensions) {
    if (name.ends_with(extension)) return true;
  }
  return false;
}

// At least eight digits, zero-padded: 4 gives 00000004.
std::string SerialName(std::int64_t serial, const std::string& extension) {
  std::string digits = std::to_string(serial);
  if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
  return digits + extension;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The names the case folder holds, hidden and system files included, in small letters: a
// serial number is taken whatever the letter case of the file that has it.
std::unordered_set<std::string> NamesIgnoringCase(const std::string& folder) {
  std::unordered_set<std::string> names;
  Listing listing(folder + kSep, attr::kHidden | attr::kSystem);
  while (std::optional<std::string> name = listing.Next()) names.insert(Lower(*name));
  if (listing.error() != 0) throw RuntimeError(listing.error());
  return names;
}

// While a group is read back, the card can be reading the next files.
constexpr std::size_t kReadAheadFiles = 1024;
constexpr unsigned long long kReadAheadBytes = 256ull << 20;

}  // namespace

// Copies the photos and videos of strFiles (positions 1 to lngCount) from the source folder into
// the case folder, each under its own name or, with renaming on, under the next free serial
// number. Copies are flushed, read back from the destination's storage and compared with their
// sources a group at a time; only a copy proved equal takes its name, and what goes wrong with a
// copy is told in list order before the next group starts. Copies proved before a failure stay.
void frmMain::StartMassCopy(std::int32_t& lngErrors, std::int32_t lngCount,
                            const std::vector<std::string>& strFiles) {
  CopyGroup copies(copy_group_limits, [this] { desktop.KeepAlive(); });
  std::vector<std::string> names_in_group;  // the source names of the group's copies, in order
  bool ended = false;

  // Commits the group and tells the operator about each copy that was not proved, in list order.
  // False when the run must end.
  const auto settle = [&]() -> bool {
    const std::vector<CopyOutcome> outcomes = copies.Commit();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      const CopyOutcome& outcome = outcomes[i];
      if (outcome.verified) {
        verified_copies.Add(outcome.source, outcome.stamp);
        continue;
      }
      // A copy not proved is an error of the run, whether or not the operator goes on.
      if (ended) continue;
      ++lngErrors;
      if (outcome.error != 0) {
        try {
          throw RuntimeError(outcome.error);
        } catch (...) {
          ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
        }
        ended = true;
        continue;
      }
      const int answer =
          desktop.MsgBox("There was an error in copying the file " + names_in_group.at(i) +
                             ".  Do you want to continue to the next file?",
                         mb::kYesNo + mb::kStop, "Error!");
      if (answer != mb::kAnswerYes) ended = true;
    }
    names_in_group.clear();
    return !ended;
  };

  try {
    ReplaceUnsafeCharacters(strIncidentNumber);
    ReplaceUnsafeCharacters(strUserName);
    ReplaceUnsafeCharacters(strCopyDate);

    std::int64_t serial_counter = 1;
    const std::string case_folder = CaseFolderPath();
    if (!ListingFindsEntry(case_folder, attr::kDirectory)) ThrowIfError(TryMakeFolder(case_folder));
    // Copies a killed run left hidden here; a live run's are locked and stay.
    CleanLeftovers(case_folder);

    const bool renaming = strRenameSwitch == "True";
    std::int32_t intLastFile = 0;
    std::unordered_set<std::string> taken_serials;
    if (renaming) {
      std::string strLastFile;
      std::int32_t intError = 0;
      SetLastTargetFile(strLastFile, intLastFile, intError);
      taken_serials = NamesIgnoringCase(case_folder);
    }

    for (std::int32_t position = 1; position <= lngCount && !ended; ++position) {
      if (static_cast<std::size_t>(position) >= strFiles.size()) {
        throw RuntimeError(err::kSubscriptOutOfRange);
      }
      desktop.KeepAlive();
      strSourceFileName = strFiles[static_cast<std::size_t>(position)];
      strTargetFileName = strSourceFileName;
      if (!IsPhotoOrVideo(strSourceFileName)) continue;

      std::string source;
      std::string destination;
      bool copy = false;
      for (;;) {
        if (renaming) {
          const std::string extension = strTargetFileName.substr(strTargetFileName.rfind('.'));
          strTargetFileName = SerialName(serial_counter + intLastFile, extension);
          ++serial_counter;
        }
        source = strSourcePath + kSep + strSourceFileName;
        destination = case_folder + kSep + strTargetFileName;
        if (renaming) {
          if (!taken_serials.contains(Lower(strTargetFileName)) && !copies.Holds(destination) &&
              !ListingFindsEntry(destination, attr::kHidden | attr::kSystem)) {
            copy = true;
            break;
          }
          continue;
        }
        // A copy waiting for this name (the same name but for case, where case is ignored)
        // takes it first, so the question is about a file that is there.
        if (copies.Holds(destination) && !settle()) break;
        if (!ListingFindsEntry(destination, attr::kHidden | attr::kSystem)) {
          copy = true;
          break;
        }
        copy = desktop.MsgBox("The file " + strTargetFileName + " already exists. Overwrite?",
                              mb::kYesNo + mb::kInformation, "Overwrite?") == mb::kAnswerYes;
        break;
      }
      if (!copy) continue;

      std::string progress = "Copying Files... " + strSourceFileName;
      if (renaming) progress += " as " + strTargetFileName;
      txtMessage.SetText(progress);
      txtMessage.Refresh();

      // The photos may be evidence and the card is cleansed next: a copy that is missing, short
      // or different never takes the file's name.
      copies.Add(source, destination);
      names_in_group.push_back(strSourceFileName);
      if (renaming) taken_serials.insert(Lower(strTargetFileName));
      if (copies.Full()) {
        unsigned long long hinted = 0;
        for (std::int32_t next = position + 1;
             next <= lngCount && next - position <= static_cast<std::int32_t>(kReadAheadFiles) &&
             hinted < kReadAheadBytes && static_cast<std::size_t>(next) < strFiles.size();
             ++next) {
          const std::string path = strSourcePath + kSep + strFiles[static_cast<std::size_t>(next)];
          ReadAheadHint(path);
          hinted += StampOf(path).value_or(FileStamp{}).size;
        }
        settle();
      }
    }
    if (!ended) settle();
  } catch (...) {
    ++lngErrors;
    ended = true;
    ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
    // The copies made before the failure are still proved and kept.
    try {
      settle();
    } catch (...) {
      ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
    }
  }
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
