#include <array>
#include <cstdint>
#include <string>
#include <string_view>
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

// Copies are flushed to disk together, a group at a time: one flush per file would cost a wait
// for the disk per photo, many times the copy itself on a card of small files.
constexpr std::size_t kGroupFiles = 2048;
constexpr unsigned long long kGroupBytes = 512ull << 20;

}  // namespace

// Copies the photos and videos of strFiles (positions 1 to lngCount) from the source folder into
// the case folder, each under its own name or, with renaming on, under the next free serial
// number. Every copy is checked against its source before the next file starts; copies made
// before a failure are kept.
void frmMain::StartMassCopy(std::int32_t& lngErrors, std::int32_t lngCount,
                            const std::vector<std::string>& strFiles) {
  CopyGroup copies;
  try {
    ReplaceUnsafeCharacters(strIncidentNumber);
    ReplaceUnsafeCharacters(strUserName);
    ReplaceUnsafeCharacters(strCopyDate);

    std::int64_t serial_counter = 1;
    const std::string case_folder = CaseFolderPath();
    if (!ListingFindsEntry(case_folder, attr::kDirectory)) MakeFolder(case_folder);

    const bool renaming = strRenameSwitch == "True";
    std::int32_t intLastFile = 0;
    if (renaming) {
      std::string strLastFile;
      std::int32_t intError = 0;
      SetLastTargetFile(strLastFile, intLastFile, intError);
    }

    for (std::int32_t position = 1; position <= lngCount; ++position) {
      if (position < 0 || static_cast<std::size_t>(position) >= strFiles.size()) {
        throw RuntimeError(err::kSubscriptOutOfRange);
      }
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
        if (!ListingFindsEntry(destination, attr::kNormal)) {
          copy = true;
          break;
        }
        // Taken: a serial name moves on to the next number; an own name is the operator's call.
        if (renaming) continue;
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
      if (!copies.Copy(source, destination)) {
        const int answer =
            desktop.MsgBox("There was an error in copying the file " + strSourceFileName +
                               ".  Do you want to continue to the next file?",
                           mb::kYesNo + mb::kStop, "Error!");
        if (answer != mb::kAnswerYes) {
          ++lngErrors;
          break;
        }
      }
      if (copies.PendingFiles() >= kGroupFiles || copies.PendingBytes() >= kGroupBytes) {
        copies.Commit();
      }
    }
    copies.Commit();
  } catch (...) {
    ++lngErrors;
    ShowErrorBox(" in StartMassCopy", mb::kExclamation, "Error");
    try {
      copies.Commit();
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
