#include "app/frmMain.h"

namespace pixferry {

void frmMain::cmdSource_Click() {
  try {
    if (SourceCommand()) return;
    SelectSource();
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::SelectSource() {}

}  // namespace pixferry
