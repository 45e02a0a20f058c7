// The tree deletion behind the Delete button: an entry that reports to the operator, and the
// recursive worker that removes a folder with everything in it.
#pragma once

#include <cstdint>
#include <string>

#include "app/ui.h"

namespace pixferry {

// Deletes folder with its whole tree. intFailed is always set: 0 when everything went, 1 when
// the folder was not there to delete ("does not exist!" box) or a step failed ("An Error was
// occured" box).
void DeleteTree(std::string strFolder, std::int16_t& intFailed, Desktop& desktop);

// The worker: -1 when path is no folder that may be deleted (empty, no separator, not a folder,
// a mount point or drive root) or a subfolder call said so; 0 when the folder and everything in
// it were removed; otherwise the run-time error number of the first failure, where it stopped.
// Links are removed as links and never entered; a mount point below path is never entered.
std::int32_t DeleteFolderTree(std::string strPath);

}  // namespace pixferry
