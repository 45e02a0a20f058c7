// The one decision of whether Delete may remove a source at all, taken on folder identities so
// that no spelling of a path (links, "." and "..", case, another drive letter) gets past it.
#pragma once

#include <optional>

#include "platform/tree.h"

namespace pixferry {

enum class DeleteRefusal {
  kNone,
  kRoot,         // the source is "/", a drive root or the root of a mounted file system
  kStartFolder,  // the source is, or holds, the folder the program was started in
  kDestination,  // the destination root is the source or lies inside it
};

// A missing identity is a folder that does not exist (or was not given): a missing source is
// never refused here, so that Delete can report it as missing.
DeleteRefusal WhyDeleteIsRefused(const std::optional<FolderIdentity>& source,
                                 const std::optional<FolderIdentity>& start_folder,
                                 const std::optional<FolderIdentity>& destination);

}  // namespace pixferry
