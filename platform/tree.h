// Folders known by what they are rather than by how a path spells them, and the removal of a
// whole folder tree through handles: each folder is opened once, its entries are removed
// relative to that handle, and nothing is ever reached by following a link.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace pixferry {

// A folder's identity and that of each folder above it: device and inode on POSIX, volume serial
// number and file ID on Windows. Two spellings of one folder (links, "." and "..", case, a second
// drive letter, a bind mount) give the same chain.
struct FolderIdentity {
  std::vector<std::string> chain;  // the folder itself first, the root of its file system last
  bool is_root = false;            // "/", a drive root, or the root of a mounted file system
};

// The folder path names, links followed; kNotThere when no folder is there.
int IdentifyFolder(const std::string& path, FolderIdentity& identity);
// The deepest folder along path that can be identified, path itself when it can: the folder that
// a path still to be made would be made in.
int IdentifyNearestFolder(const std::string& path, FolderIdentity& identity);

// A folder path as the platform reads it: Windows ignores blanks at either end of a path, POSIX
// keeps every byte (" " and "X " are folders of their own there).
std::string PlatformFolderPath(std::string path);

// Folders no walk enters or removes, however it reaches them (a bind mount, a second drive
// letter): every folder of each chain, the folders above the one named included.
using Fence = std::vector<FolderIdentity>;

// Removes the folder at path (a separator in it, none at its end) with everything in it: each
// folder's files in listing order, then its subfolders depth first, then the folder itself.
// A link (symbolic link, junction) is removed as a link and never entered; a mount point below
// the folder is neither entered nor removed and ends the walk with an error, and so does a folder
// no longer at its name in the folder being emptied above it. A folder of the fence ends the walk
// before it is changed in any way (kFenced). between_entries, when set, is called between any two
// entries. Returns 0 when everything went; kNotThere when path, or a subfolder when its turn
// came, is not a folder that may be removed (missing, a mount or drive root, no longer what was
// listed); otherwise the run-time number of the first failure, where the walk stopped. A source
// that is a link loses only the link.
int RemoveFolderTree(const std::string& path, const Fence& fence,
                     const std::function<void()>& between_entries);

// What a look through a tree could not see.
struct TreeLook {
  std::vector<std::string> unchecked;  // folders not looked into, as paths below the top
  std::size_t fenced = 0;              // the fence's folder met, when the look gave kFenced
};

// Looks through the tree RemoveFolderTree would remove at path, by the same walk: each_file gets
// every entry that is not a folder, as a path and as a path below the top. A folder its owner may
// not list is given the owner's rights for the look and its mode back afterwards; one still not
// listable is named in look.unchecked. A mount below is not entered (the deletion stops there).
// Returns 0, kNotThere, kFenced or the run-time number of a failure that ended the look.
int LookThroughTree(
    const std::string& path, const Fence& fence,
    const std::function<void(const std::string& path, const std::string& below)>& each_file,
    TreeLook& look);

}  // namespace pixferry
