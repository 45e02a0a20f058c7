#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "lists/ListingFindsEntry.h"
#include "platform/files.h"

namespace pixferry {

void frmMain::SetSourceList() {
  try {
    std::int32_t lngFileCount = 0;
    std::vector<std::string> strFiles;
    SortedFiles(strSourcePath + kSep, lngFileCount, strFiles, true, true);
    source_list.Set(std::move(strFiles), lngFileCount, txtMessage, " ...But the SOURCE is empty!");
  } catch (...) {
    ShowErrorBox(" in Sub SetSourceList");
  }
}

// Runs after a copy; when the case folder is not there the previous job's list stays on show.
void frmMain::SetTargetList() {
  try {
    const std::string strPath = CaseFolderPath();
    if (!ListingFindsEntry(strPath, attr::kDirectory)) return;

    std::int32_t lngFileCount = 0;
    std::vector<std::string> strFiles;
    SortedFiles(strPath + kSep, lngFileCount, strFiles, true, true);
    strTargetPath = strPath;
    target_list.Set(std::move(strFiles), lngFileCount, txtMessage, " ...But the TARGET is empty!");
  } catch (...) {
    ShowErrorBox(" in Sub SetTargetList");
  }
}

}  // namespace pixferry
