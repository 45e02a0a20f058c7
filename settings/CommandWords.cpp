#include "app/frmMain.h"

namespace pixferry {

bool frmMain::SourceCommand() { return false; }

bool frmMain::StartCommand() { return false; }

}  // namespace pixferry
