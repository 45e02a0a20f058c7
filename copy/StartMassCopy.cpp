#include "app/frmMain.h"

namespace pixferry {

void frmMain::StartMassCopy(std::int32_t&, std::int32_t, const std::vector<std::string>&) {}

void frmMain::SetLastTargetFile(std::string&, std::int32_t&, std::int32_t&) {}

}  // namespace pixferry
