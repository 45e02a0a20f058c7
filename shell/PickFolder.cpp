#include "app/frmMain.h"

namespace pixferry {

// The dialog itself belongs to the front end (ui/qt, ui/win32); it has no trap of its own,
// so a failure reaches the caller's error report.
std::string frmMain::PickFolder(const std::string& strStartFolder, const std::string& strTitle) {
  return desktop.PickFolder(strStartFolder, strTitle);
}

}  // namespace pixferry
