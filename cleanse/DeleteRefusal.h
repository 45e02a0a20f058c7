// The one decision of whether Delete may remove a source at all, taken on folder identities so
// that no spelling of a path (links, "." and "..", case, another drive letter) gets past it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/tree.h"

namespace pixferry {

enum class DeleteRefusal {
  kNone,
  kRoot,               // the source is "/", a drive root or the root of a mounted file system
  kStartFolder,        // the source is, or holds, the folder the program was started in
  kDestination,        // the destination root is the source or lies inside it
  kInsideDestination,  // the source lies inside the destination root
};

// The folders Delete's walks never enter or remove, each with the refusal shown when the source's
// tree is found to hold it.
struct DeleteFence {
  Fence folders;
  std::vector<std::string> refusals;
};

// A missing identity is a folder that does not exist (or was not given): a missing source is
// never refused here, so that Delete can report it as missing. A destination not made yet is
// given by the folder it would be made in, which holds it but does not hold the source for it.
DeleteRefusal WhyDeleteIsRefused(const std::optional<FolderIdentity>& source,
                                 const std::optional<FolderIdentity>& start_folder,
                                 const std::optional<FolderIdentity>& destination,
                                 bool destination_made = true);

}  // namespace pixferry
