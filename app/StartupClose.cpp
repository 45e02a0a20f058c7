#include "app/frmMain.h"

namespace pixferry {

void frmMain::Form_Load() {}

void frmMain::cmdClose_Click() {}

}  // namespace pixferry
