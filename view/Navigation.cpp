#include "app/frmMain.h"

namespace pixferry {

void frmMain::cmdSourceFirst_Click() {}

void frmMain::cmdSourcePrevious_Click() {}

void frmMain::cmdSourceNext_Click() {}

void frmMain::cmdSourceLast_Click() {}

void frmMain::cmdTargetFirst_Click() {}

void frmMain::cmdTargetPrevious_Click() {}

void frmMain::cmdTargetNext_Click() {}

void frmMain::cmdTargetLast_Click() {}

}  // namespace pixferry
