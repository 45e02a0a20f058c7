#include "app/frmMain.h"

namespace pixferry {

void frmMain::SortedFiles(std::string, std::int32_t&, std::vector<std::string>&, bool, bool) {}

void frmMain::Quicksort(std::vector<std::string>&, std::int32_t, std::int32_t) {}

}  // namespace pixferry
