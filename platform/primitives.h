// The few operations on files and folders that the program's careful procedures are written
// over: the services of platform/files.h, the tree walks (the deletion and Delete's look for
// photos without a copy, platform/tree.cpp) and the whole-file copy (platform/copy.cpp and
// copy_check.cpp). Each system implements them, and nothing more, in its files.inc, walk.inc and
// copy.inc; the procedures stand once above them, and the fault build puts its checks around these
// calls there, so one fault sweep covers both systems.
//
// Error convention: the platform layer's own (platform/files.h). A primitive that can fail
// returns 0; kNotThere when the entry, file or folder asked about is missing or is no longer what
// the caller named (not a folder, a link, another file than the one listed), or is refused as the
// primitive says; otherwise the run-time error number of the failure (platform/errors.h; 58 where
// a name asked to be new is taken). Results come back through out-parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace pixferry::os {

using pixferry::kNotThere;

// ---- Listings, attributes and stamps, for the services of platform/files.h.

// One listing by pattern and mask, as Listing takes them; what it holds is the system's own.
struct ListingHandle;
struct ListingCloser {
  void operator()(ListingHandle* listing) const noexcept;
};
using ListingState = std::unique_ptr<ListingHandle, ListingCloser>;

// Starts the listing; a folder that does not exist gives a listing with nothing in it.
int OpenListing(std::string_view pattern, int mask, ListingState& listing);
// The listing's next name; kNotThere at its end. After a failure the listing gives no more.
int NextName(ListingHandle& listing, std::string& name);
// Whether the entry pattern names is there, where the system answers that without a listing (a
// whole path, looked up as it is written); kNotThere when the pattern needs a listing.
int LookUpEntry(std::string_view pattern, int mask, bool& found);
int ReadAttributes(const std::string& path, int& attributes);
int MakeFolder(const std::string& path);
int CurrentDirectory(std::string& path);
// kNotThere when nothing is at path or it is no regular file.
int StampOf(const std::string& path, FileStamp& stamp);

// ---- Folders, for the walks.

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

// ---- Files, for the copy.

// An open file; what it holds is the system's own (a descriptor, or a handle).
struct FileHandle;
struct FileCloser {
  void operator()(FileHandle* file) const noexcept;
};
using File = std::unique_ptr<FileHandle, FileCloser>;

// What the copy keeps of its source from the moment it opens it.
struct Source {
  FileStamp stamp;
  std::int64_t accessed = 0;  // POSIX: the last access, nanoseconds; kept on the copy
  bool read_only = false;
  std::uint32_t attributes = 0;  // Windows: the attributes the copy keeps
  std::uint64_t device = 0;      // POSIX: what the file is, to tell it under another name
  std::uint64_t inode = 0;
};

// What a destination's name holds before the copy.
struct Target {
  bool folder = false;
  bool is_source = false;  // the very file the source is (its name, another spelling, a link)
};

// What a destination folder is like, learnt once from the first temporary made there.
struct Traits {
  bool ignores_case = false;
  bool whole_sync = false;  // one sync of the whole file system reaches its files (not FUSE)
  bool cache_only = false;  // no storage behind the cache to read back from (tmpfs)
};

// Whole sectors of every disk, as reads past the cache require of their offsets and lengths.
inline constexpr std::size_t kSector = 4096;

// Opens the regular file path for reading, shared with every other reader and writer, to be read
// once from start to end.
int OpenSource(const std::string& path, File& file, Source& source);
// The source's stamp now, through its handle; kNotThere when it is no longer a regular file.
int StampNow(FileHandle& source, FileStamp& stamp);
// What holds destination's exact name; kNotThere when it is free. A link is not followed.
int LookUpTarget(const std::string& destination, FileHandle& source, const Source& info,
                 Target& target);
// Creates path new, for reading and writing, hidden, held so that no other run takes it (locked,
// or shared with no writer) and read-only only once named. 58 when the name is taken (or was
// taken by another run's cleaning before the lock).
int CreateTemporary(const std::string& path, const Source& source, File& file);
// What folder is like; temp is a file just made there, file its handle.
int TraitsOf(const std::string& folder, const std::string& temp, FileHandle& file, Traits& traits);
// Reads up to size bytes at offset: got, short only at the end of the file. On a handle opened
// by OpenReadBack, size, offset and buffer must be whole sectors.
int ReadAt(FileHandle& file, void* buffer, std::size_t size, std::uint64_t offset,
           std::size_t& got);
// Writes all size bytes at offset; 61 when the medium takes fewer.
int WriteAt(FileHandle& file, const void* buffer, std::size_t size, std::uint64_t offset);
// The copy written: it keeps the photo's time of change, and a large one starts for the disk.
int Written(FileHandle& copy, const Source& source);
// Flushes one file's data (and what names it, where the system keeps that with it).
int FlushFile(FileHandle& file);
// One flush for every file of file's file system; kNotThere where the system has none.
int SyncFileSystem(FileHandle& file);
// The copy's data is on the storage: its cached pages go and its reading back starts.
void Drop(FileHandle& copy, const Traits& traits) noexcept;
// Opens the copy at temp to read it back from the medium past the cache, where it can; kNotThere
// when the copy's own handle does that already (its cached pages dropped).
int OpenReadBack(FileHandle& copy, const std::string& temp, File& back);
// Gives a proved copy its own attributes, no longer hidden.
int SetFinalAttributes(FileHandle& copy, const Source& source);
// Gives the copy at temp the name destination (through its handle where the system can); with
// replace, a file there goes, read-only or not; without it, 58 when the name is taken.
int Rename(FileHandle& copy, const std::string& temp, const std::string& destination, bool replace);
// Flushes the folder's entries; kNotThere when the file system refuses to flush a folder.
int SyncFolder(const std::string& folder);
// Removes the temporary at temp whose handle file is, read-only or not.
void RemoveTemporary(FileHandle& file, const std::string& temp) noexcept;
// Calls each for every file in folder that may be a temporary (hidden, where the system has it).
int ListFiles(const std::string& folder, const std::function<void(const std::string&)>& each);
// Removes name in folder if its lock can be taken and it is still the file locked; kNotThere
// when it stays.
int RemoveUnlocked(const std::string& folder, const std::string& name);
// A name as the destination's folder compares it.
std::string FoldedName(const std::string& path);
// How many files a group may hold open.
std::size_t OpenFileBudget() noexcept;
// Some randomness for the temporaries' names beyond the seed the library gives.
std::uint64_t Entropy() noexcept;

// ---- Files written in place, for the hash lists (platform/hash_list.cpp).

// Opens the existing regular file path for reading and writing, no other writer beside it;
// kNotThere when there is no file of that name.
int OpenExisting(const std::string& path, File& file);
// Cuts file back to size bytes: an append that failed leaves the file as it was.
int Truncate(FileHandle& file, std::uint64_t size);

// ---- Files read again from their storage, for Delete's look at the copies it counts on.

// Opens the existing regular file path (a link followed) for reading past the cache: POSIX with
// O_DIRECT where the file system allows it, otherwise with its cached pages dropped on the open
// file; Windows with FILE_FLAG_NO_BUFFERING where the file system allows it. Shared with every
// other reader and writer. identity: what the file opened is. kNotThere when path is missing or
// is no regular file.
int OpenStored(const std::string& path, File& file, Identity& identity);
// Reads up to size bytes at offset from a file OpenStored opened; size, offset and buffer must be
// whole sectors. got is short only at the end of the file.
int ReadStored(FileHandle& file, void* buffer, std::size_t size, std::uint64_t offset,
               std::size_t& got);
// What the file at path is (a link followed); kNotThere when nothing is there.
int IdentifyFile(const std::string& path, Identity& identity);

}  // namespace pixferry::os
