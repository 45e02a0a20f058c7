// The few operations on folder handles that the tree walks (the deletion and Delete's look for
// photos without a copy) are written over. Each system implements them in its walk.inc and
// nothing more; the walks themselves stand once, in platform/tree.cpp, which also puts the fault
// build's checks around them.
//
// Error convention: every primitive that can fail returns 0, kNotThere when the entry or folder
// asked for is missing or is no longer what the caller named (not a folder, a link, another file
// than the one listed), or the run-time error number of any other failure (platform/errors.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pixferry::walk {

inline constexpr int kNotThere = -1;

// A folder as the system names its entries: bytes on POSIX, UTF-16 on Windows, so that any name
// the card holds can be removed without a round trip through UTF-8.
#ifdef _WIN32
using Name = std::wstring;
#else
using Name = std::string;
#endif

// An open folder; what it holds is the system's own (a descriptor, or a handle with its path).
struct FolderHandle;
struct FolderCloser {
  void operator()(FolderHandle* folder) const noexcept;
};
using Folder = std::unique_ptr<FolderHandle, FolderCloser>;

// What a file or folder is, whatever path reaches it: device and inode on POSIX, volume serial
// number and file ID on Windows.
struct Identity {
  std::uint64_t volume = 0;
  std::uint64_t file_high = 0;
  std::uint64_t file = 0;
  friend bool operator==(const Identity&, const Identity&) = default;
};

enum class Kind { kFile, kFolder, kLink };  // kFile: anything that is neither folder nor link

struct Entry {
  Name name;
  Kind kind = Kind::kFile;
  Identity id;          // as the listing gave it
  bool has_id = false;  // false where the listing gives none
  bool read_only = false;
};

struct Place {
  Identity id;
  bool mount_root = false;  // "/", a drive root, or the root of any mount (bind mounts included)
  bool listable = false;    // false: opened for its identity only, its owner may not list it yet
  std::uint32_t mode = 0;   // POSIX permission bits, 0 on Windows
  bool read_only = false;   // Windows' read-only attribute
};

// Windows holds every folder of a walk open, so none above the one being emptied can be renamed;
// POSIX may not hold that many descriptors and finds its way back up by "..", checked by identity.
#ifdef _WIN32
inline constexpr bool kHoldsAncestors = true;
#else
inline constexpr bool kHoldsAncestors = false;
#endif

// Opens the folder path names, following links (identity and refusals only).
int OpenFollowing(const std::string& path, Folder& folder);
// Opens the folder that holds path's last part, as the path spells the folders above it, and
// gives that last part's name there ("." and ".." resolved to a real name).
int OpenContaining(const std::string& path, Folder& parent, Name& name);
// What name in parent is (kind and identity), a link not followed.
int LookUp(FolderHandle& parent, const Name& name, Entry& entry);
// Opens the folder entry in parent without following a link and without changing anything;
// kNotThere when it is missing, a link, no folder, or (where the listing gives an identity and
// the system can compare it) not the one listed.
int OpenChild(FolderHandle& parent, const Entry& entry, Folder& child);
// Opens the folder above folder (for identities, and for the POSIX way back up).
int OpenParent(FolderHandle& folder, Folder& parent);
// What the open folder is: its identity, whether it is a mount root, its rights.
int Inspect(FolderHandle& folder, Place& place);
// Gives the folder's owner the rights to list it (and, with to_empty, to remove from it), on its
// handle; the folder becomes listable. Windows: with to_empty, clears its read-only attribute.
int GiveOwnerRights(FolderHandle& folder, const Place& place, bool to_empty);
// Gives the folder back the mode place saw (POSIX); nothing on Windows.
int RestoreRights(FolderHandle& folder, const Place& place);
// Calls each for every entry but "." and "..", in listing order, until it answers non-zero;
// returns that answer, or the listing's own failure.
int List(FolderHandle& folder, const std::function<int(const Entry&)>& each);
// 0 when name in parent is still the folder with identity id, kNotThere when it is not (POSIX;
// Windows holds its chain, and answers 0).
int StillAt(FolderHandle& parent, const Name& name, const Identity& id);
// Removes the file or link entry listed in folder, never what a link leads to; a read-only file
// goes too.
int RemoveEntry(FolderHandle& folder, const Entry& entry);
// Removes the emptied folder entry listed in parent.
int RemoveFolder(FolderHandle& parent, const Entry& entry);
// A name as the program's text (UTF-8) for paths and messages.
std::string ToUtf8(const Name& name);

}  // namespace pixferry::walk
