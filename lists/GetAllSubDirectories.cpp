#include "app/frmMain.h"

namespace pixferry {

void frmMain::GetAllSubDirectories(std::vector<std::string>&, std::string) {}

}  // namespace pixferry
