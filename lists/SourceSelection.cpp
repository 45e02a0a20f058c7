#include <string>

#include "app/frmMain.h"
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
  if (!strPicked.empty()) strSourcePath = strPicked;
  // A cancel keeps the current source, whether a pick or start-up chose it, so the list on
  // screen and the folder Start copies from never disagree. After Delete there is none to keep.
  if (strSourcePath.empty()) return;
  txtMessage.SetText(
      "Photo source set. Make sure the Incident, User, and Date are correct and click 'Start' to "
      "send the photos.");
  SetSourceList();
}

}  // namespace pixferry
