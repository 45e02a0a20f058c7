#include "app/frmMain.h"

namespace pixferry {

void frmMain::SetSourceList() {}

void frmMain::SetTargetList() {}

}  // namespace pixferry
