#include <cstdint>
#include <optional>
#include <string>

#include "app/frmMain.h"
#include "cleanse/DeleteRefusal.h"
#include "cleanse/mdlDeleteTree.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

std::optional<FolderIdentity> IdentifyIfGiven(const std::string& path, bool nearest) {
  if (path.empty()) return std::nullopt;
  return nearest ? IdentifyNearestFolder(path) : IdentifyFolder(path);
}

// Why the source may not go, in the operator's words; empty when it may.
std::string RefusalText(const std::string& strSource, const std::string& strStart,
                        const std::string& strSave) {
  switch (WhyDeleteIsRefused(IdentifyIfGiven(PlatformFolderPath(strSource), false),
                             IdentifyIfGiven(strStart, false), IdentifyIfGiven(strSave, true))) {
    case DeleteRefusal::kRoot:
      return "The source folder " + strSource +
             " is the root of a drive or of a mounted file system, which Delete never removes.  "
             "Nothing has been deleted.";
    case DeleteRefusal::kStartFolder:
      return "The source folder " + strSource +
             " is or contains the folder Pixferry was started in (" + strStart +
             "), which holds its settings file paths.dat.  Nothing has been deleted.";
    case DeleteRefusal::kDestination:
      return "The destination folder " + strSave + " lies inside the source folder " + strSource +
             ", so deleting the source would delete the copies too.  Nothing has been deleted.";
    case DeleteRefusal::kNone:
      break;
  }
  return {};
}

}  // namespace

void frmMain::cmdDelete_Click() {
  try {
    if (strSourcePath.empty()) {
      desktop.MsgBox("Source directory is not set!", mb::kInformation, "Nope");
      return;
    }
    const std::string refusal = RefusalText(strSourcePath, strMyDirectory, strSavePath);
    if (!refusal.empty()) {
      desktop.MsgBox(refusal, mb::kStop, "Delete refused");
      return;
    }
    if (!ConfirmUncopied()) return;
    const int answer = desktop.MsgBox(
        "Are you sure you want to delete the source files from " + strSourcePath + "?",
        mb::kYesNo + mb::kQuestion, "Delete?");
    if (answer != mb::kAnswerYes) return;

    std::int16_t intFailed = 0;
    DeleteTree(strSourcePath, intFailed, desktop);
    // The source is forgotten whatever the outcome: part of it may be gone already.
    strSourcePath.clear();
    source_list.Clear();
    source_list.SetButtons(!txtSource.Text().empty());
    txtMessage.SetText(intFailed == 0 ? "Photos have been cleansed from the source."
                                      : "There has been an ERROR in cleansing (deletion).");
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
