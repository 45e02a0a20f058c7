#include "cleanse/DeleteRefusal.h"

#include <algorithm>

namespace pixferry {
namespace {

// True when inner is outer or lies somewhere below it.
bool IsOrLiesInside(const std::optional<FolderIdentity>& inner, const FolderIdentity& outer) {
  return inner && !outer.chain.empty() &&
         std::find(inner->chain.begin(), inner->chain.end(), outer.chain.front()) !=
             inner->chain.end();
}

}  // namespace

DeleteRefusal WhyDeleteIsRefused(const std::optional<FolderIdentity>& source,
                                 const std::optional<FolderIdentity>& start_folder,
                                 const std::optional<FolderIdentity>& destination,
                                 bool destination_made) {
  if (!source) return DeleteRefusal::kNone;
  if (source->is_root) return DeleteRefusal::kRoot;
  if (IsOrLiesInside(start_folder, *source)) return DeleteRefusal::kStartFolder;
  if (IsOrLiesInside(destination, *source)) return DeleteRefusal::kDestination;
  if (destination && destination_made && IsOrLiesInside(source, *destination))
    return DeleteRefusal::kInsideDestination;
  return DeleteRefusal::kNone;
}

}  // namespace pixferry
