#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "platform/files.h"

namespace pixferry {

// An empty rebuild leaves lngSourceIndex as it was: the buttons that would read it are disabled.
void frmMain::SetSourceList() {
  try {
    std::int32_t lngFileCount = 0;
    std::vector<std::string> strFiles;
    SortedFiles(strSourcePath + kSep, lngFileCount, strFiles, true, true);

    strSourceFiles.assign(1, std::string());
    lngSourceCount = 0;
    if (lngFileCount > 0) {
      lngSourceCount = lngFileCount;
      strFiles.resize(static_cast<std::size_t>(lngFileCount) + 1);
      strFiles[0].clear();
      strSourceFiles = std::move(strFiles);
      lngSourceIndex = 1;
      txtSource.SetText(strSourceFiles[1]);
    } else {
      txtMessage.SetText(txtMessage.Text() + " ...But the SOURCE is empty!");
      txtSource.SetText("");
    }
    SetSourceButtons(!txtSource.Text().empty());
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

    strTargetFiles.assign(1, std::string());
    lngTargetCount = 0;
    if (lngFileCount > 0) {
      lngTargetCount = lngFileCount;
      strFiles.resize(static_cast<std::size_t>(lngFileCount) + 1);
      strFiles[0].clear();
      strTargetFiles = std::move(strFiles);
      lngTargetIndex = 1;
      txtTarget.SetText(strTargetFiles[1]);
    } else {
      txtMessage.SetText(txtMessage.Text() + " ...But the TARGET is empty!");
      txtTarget.SetText("");
    }
    SetTargetButtons(!txtTarget.Text().empty());
  } catch (...) {
    ShowErrorBox(" in Sub SetTargetList");
  }
}

}  // namespace pixferry
