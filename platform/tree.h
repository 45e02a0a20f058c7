// Folders known by what they are rather than by how a path spells them, and the removal of a
// whole folder tree through handles: each folder is opened once, its entries are removed
// relative to that handle, and nothing is ever reached by following a link.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pixferry {

// A folder's identity and that of each folder above it: device and inode on POSIX, volume serial
// number and file ID on Windows. Two spellings of one folder (links, "." and "..", case, a second
// drive letter, a bind mount) give the same chain.
struct FolderIdentity {
  std::vector<std::string> chain;  // the folder itself first, the root of its file system last
  bool is_root = false;            // "/", a drive root, or the root of a mounted file system
};

// The folder path names, links followed; nothing when no folder can be opened there.
std::optional<FolderIdentity> IdentifyFolder(const std::string& path);
// The deepest existing folder along path, path itself when it exists: the folder that a path
// still to be made would be made in.
std::optional<FolderIdentity> IdentifyNearestFolder(const std::string& path);

// A folder path as the platform reads it: Windows ignores blanks at either end of a path, POSIX
// keeps every byte (" " and "X " are folders of their own there).
std::string PlatformFolderPath(std::string path);

// Removes the folder at path (a separator in it, none at its end) with everything in it: each
// folder's files in listing order, then its subfolders depth first, then the folder itself.
// A link (symbolic link, junction) is removed as a link and never entered; a mount point below
// the folder is neither entered nor removed and ends the walk with an error. between_entries, when
// set, is called between any two entries. Returns 0 when everything went; -1 when path, or a
// subfolder when its turn came, is not a folder that may be removed (missing, a mount or drive
// root, no longer what was listed); otherwise the run-time number of the first failure, where the
// walk stopped. A source that is a link loses only the link.
std::int32_t RemoveFolderTree(const std::string& path,
                              const std::function<void()>& between_entries);

}  // namespace pixferry
