#include "app/frmMain.h"

namespace pixferry {

void frmMain::cmdStartCopy_Click() {
  try {
    if (StartCommand()) return;
    CopyRequest();
  } catch (...) {
    ShowErrorBox(" in cmdStartImport_Click");
  }
}

void frmMain::CopyRequest() {}

void frmMain::txtDate_LostFocus() {}

}  // namespace pixferry
