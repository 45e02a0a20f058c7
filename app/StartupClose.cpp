#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"

namespace pixferry {

// Start-up stops at the first failure: whatever was done stays done and the window opens anyway.
// The commonest failure is a missing paths.dat (53), before the viewer or the card is looked at.
void frmMain::Form_Load() {
  try {
    strMyDirectory = CurrentDirectory();

    ReadPathsFile();

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
