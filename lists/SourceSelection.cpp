#include <string>

#include "app/frmMain.h"
#include "lists/ListingFindsEntry.h"
#include "platform/files.h"

namespace pixferry {

void frmMain::cmdSource_Click() {
  try {
    if (SourceCommand()) return;
    SelectSource();
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::SelectSource() {
  const std::string strPhotoFolder = CardDirectory() + kSep + "DCIM";
  const std::string strStartFolder =
      ListingFindsEntry(strPhotoFolder, attr::kDirectory) ? strPhotoFolder : CardDirectory();
  const std::string strPicked = PickFolder(strStartFolder, "Locate Your Photos Folder");
  if (!strPicked.empty()) {
    strSourcePath = strPicked;
    strLastSourcePath = strPicked;
  } else if (!strLastSourcePath.empty()) {
    // A cancel after a pick takes that pick again and lists it afresh, also after Delete has
    // forgotten it.
    strSourcePath = strLastSourcePath;
  } else {
    // A cancel before any pick changes nothing: a source start-up chose stays, listed as it is.
    return;
  }
  txtMessage.SetText(
      "Photo source set. Make sure the Incident, User, and Date are correct and click 'Start' to "
      "send the photos.");
  SetSourceList();
}

}  // namespace pixferry
