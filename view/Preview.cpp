#include "app/frmMain.h"

namespace pixferry {

void frmMain::cmdViewSource_Click() {}

void frmMain::cmdViewTarget_Click() {}

void frmMain::ChangeCase(std::string&) {}

}  // namespace pixferry
