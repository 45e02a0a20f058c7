// The tree deletion behind the Delete button: an entry that reports to the operator, and the
// worker that removes a folder with everything in it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/Screen.h"
#include "platform/tree.h"

namespace pixferry {

// Deletes folder with its whole tree, never entering a folder of fence. intFailed is always set:
// 0 when everything went, 1 when the folder was not there to delete ("does not exist!" box) or a
// step failed ("An Error was occured" box).
void DeleteTree(std::string strFolder, std::int16_t& intFailed, Desktop& desktop,
                const Fence& fence = {});

// The worker: kNotThere when path is no folder that may be deleted (empty, no separator, not a
// folder, a mount point or drive root) or a subfolder said so when its turn came; 0 when the
// folder and everything in it were removed; kFenced when it met a folder of fence; otherwise the
// run-time error number of the first failure, where it stopped. The path is read as the platform
// reads it (Windows drops blanks at its ends). Links are removed as links and never entered; a
// mount point below path is neither entered nor removed. between_entries, when set, runs between
// any two entries.
std::int32_t DeleteFolderTree(std::string strPath,
                              const std::function<void()>& between_entries = {},
                              const Fence& fence = {});

}  // namespace pixferry
