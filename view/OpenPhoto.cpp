#include "app/frmMain.h"

namespace pixferry {

void frmMain::imgSource_DblClick() {}

}  // namespace pixferry
