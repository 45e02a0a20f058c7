#include "app/frmMain.h"

namespace pixferry {

void frmMain::cmdDelete_Click() {}

}  // namespace pixferry
