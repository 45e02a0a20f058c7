#include "cleanse/mdlDeleteTree.h"

#include <string>

#include "app/ShowErrorBox.h"
#include "platform/files.h"
#include "platform/tree.h"

namespace pixferry {
std::int32_t DeleteFolderTree(std::string strPath, const std::function<void()>& between_entries,
                              const Fence& fence) {
  strPath = PlatformFolderPath(strPath);
  if (strPath.empty()) return kNotThere;
  if (strPath.back() == kSep) strPath.pop_back();
  // A bare drive (E: or E:\) or the root "/" has no separator left: never deleted.
  if (strPath.find(kSep) == std::string::npos) return kNotThere;
  return RemoveFolderTree(strPath, fence, between_entries);
}

void DeleteTree(std::string strFolder, std::int16_t& intFailed, Desktop& desktop,
                const Fence& fence) {
  try {
    const std::int32_t status = DeleteFolderTree(
        strFolder, [&desktop] { desktop.KeepAlive(); }, fence);
    if (status == kNotThere) {
      desktop.MsgBox("The directory " + strFolder + " does not exist!", mb::kInformation,
                     "Nothing Here");
      intFailed = 1;
    } else if (status == 0) {
      intFailed = 0;
    } else {
      desktop.MsgBox("An Error was occured", mb::kExclamation, "Error");
      intFailed = 1;
    }
  } catch (...) {
    intFailed = 1;
    ShowErrorBox(desktop, "");
  }
}

}  // namespace pixferry
