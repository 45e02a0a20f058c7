#include "app/frmMain.h"

namespace pixferry {

void frmShowPhoto::cmdClose_Click() {}

}  // namespace pixferry
