// The few file operations the whole-file copy is written over. Each system implements them in its
// copy.inc and nothing more; the copy itself (its groups, the write loop, the read-back, the
// naming, the folders' flush and the leftovers' cleaning) stands once, in platform/copy.cpp,
// which also puts the fault build's checks around them.
//
// Error convention: every primitive that can fail returns 0, kNotThere when what was asked about
// is missing or refused as the primitive says, or the run-time error number of any other failure
// (platform/errors.h; 58 where a name asked to be new is taken).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/files.h"

namespace pixferry::copyio {

inline constexpr int kNotThere = -1;

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

// Opens the regular file path for reading, shared with every other reader and writer.
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
// Moves up to want bytes from source to copy at their current offsets; moved is 0 at the end.
int Transfer(FileHandle& source, FileHandle& copy, std::size_t want, std::size_t& moved);
// Reads up to size bytes at offset: got, short only at the end of the file. On a handle opened
// by OpenReadBack, size, offset and buffer must be whole sectors.
int ReadAt(FileHandle& file, void* buffer, std::size_t size, std::uint64_t offset,
           std::size_t& got);
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

}  // namespace pixferry::copyio
