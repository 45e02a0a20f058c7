#include <string>
#include <vector>

#include "app/frmMain.h"
#include "lists/ListingFindsEntry.h"
#include "platform/files.h"
#include "platform/userfolders.h"
#include "settings/PathsFile.h"

namespace pixferry {

// Start-up stops at the first failure: whatever was done stays done and the window opens anyway.
// The commonest failure is a missing paths.dat (53) in a folder started in, before the viewer or
// the card is looked at. With the settings in the user's own folder a missing paths.dat is a
// first start instead: Pixferry asks for the destination and goes on to the card.
void frmMain::Form_Load() {
  try {
    // A run killed midway left hidden temporaries in its case folder, wherever that was.
    std::string settings_folder, reason;
    if (PerUserSettingsFolder(settings_folder, reason) == 0) {
      cases_in_progress = CasesInProgress(settings_folder);
      cases_in_progress.CleanLeftBehind();
    }

    ThrowIfError(CurrentDirectory(strMyDirectory));

    if (!strCardDirectory.empty() &&
        !ListingFindsEntry(kPathsFile, attr::kDirectory | attr::kHidden | attr::kSystem)) {
      AskForDestination();
    } else {
      ReadPathsFile();
    }

    viewer.form.Load();

    // Plain concatenation: a root directory gives a doubled separator, which the system accepts.
    std::vector<std::string> strSubDirectories;
    GetAllSubDirectories(strSubDirectories, CardDirectory() + kSep + "DCIM");

    // Entry 0 is unused: two entries are the card's photo folder and one folder below it.
    if (strSubDirectories.size() == 3) {
      strSourcePath = strSubDirectories[2];
      SetSourceList();
      if (!txtSource.Text().empty()) {
        txtMessage.SetText(
            "Source list is set.  If you have files shown in the 'Source' box, you can click "
            "'Start' to copy them.  Otherwise, click 'Set Source' to select another photo "
            "source.");
      }
      if (txtSource.Text().empty()) {
        txtMessage.SetText(
            "It seems there are no photos on this card where they should be.  Click the 'Set "
            "Source' and see if you can locate them.  If not, the card may be empty.");
      }
    } else {
      txtMessage.SetText(
          "Click 'Set Source' to begin and locate the folder where your photos are located.");
    }
  } catch (...) {
    ShowErrorBox(" in Form_Load");
  }
}

// Cancel leaves the destination unset, as it is before any "Save ": Start then says so. A save
// that fails is reported and start-up goes on, the destination held for this run only.
void frmMain::AskForDestination() {
  const std::string strPictures = desktop.PicturesFolder();
  const std::string strStartFolder =
      !strPictures.empty() && ListingFindsEntry(strPictures, attr::kDirectory)
          ? strPictures
          : desktop.HomeFolder();
  const std::string strFolder = PickFolder(strStartFolder, "Choose where case folders go");
  if (strFolder.empty()) return;
  try {
    SaveDestination(strFolder);
  } catch (...) {
    ShowErrorBox(" in Form_Load");
  }
}

const std::string& frmMain::CardDirectory() const {
  return strCardDirectory.empty() ? strMyDirectory : strCardDirectory;
}

// The viewer goes first: the program ends only when both windows are gone.
void frmMain::cmdClose_Click() {
  try {
    viewer.form.Unload();
    form.Unload();
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
