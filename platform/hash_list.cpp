// The hash lists, written over the copy's primitives (platform/primitives.h). New lines are
// appended to the list in place and flushed; an append that fails is cut off again. A list made
// new, or one that must lose the lines of a copy overwritten since, is written whole under a
// hidden temporary name beside it, flushed and renamed over it: a crash leaves the old list or
// the new one, never a mix, and a killed run's temporary is one CleanLeftovers removes. The
// lines themselves are written and read in platform/hash_lines.cpp.
#include "platform/hash_list.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/hash_lines.h"
#include "platform/paths.h"
#include "platform/primitives.h"
#include "platform/temp_names.h"

namespace pixferry {
namespace {

constexpr std::string_view kExtension = ".sha256";

std::string Native(std::string copy) {
  std::replace(copy.begin(), copy.end(), '/', kSep);
  return copy;
}

// The copy's path below root with "/" between its names and, where the system finds a name
// whatever its letter case (Windows), the name the file holds: a copy that replaced one named in
// another letter case is listed as the file is now named.
std::string ListedCopy(const std::string& root, std::string copy) {
  std::replace_if(copy.begin(), copy.end(), IsSeparator<char>, '/');
#ifdef _WIN32
  Listing listing(root + kSep + Native(copy), attr::kHidden | attr::kSystem);
  if (const std::optional<std::string> name = listing.Next()) {
    copy = copy.substr(0, copy.rfind('/') + 1) + *name;
  }
#else
  (void)root;
#endif
  return copy;
}

// Reads the open file's first size bytes.
int ReadAll(os::FileHandle& file, std::uint64_t size, std::string& text) {
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  text.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < text.size()) {
    std::size_t got = 0;
    if (const int e =
            os::ReadAt(file, text.data() + done, std::min(kChunk, text.size() - done), done, got)) {
      return e;
    }
    if (got == 0) break;
    done += got;
  }
  text.resize(done);
  return 0;
}

// Adds text at the list's end and flushes it; on a failure the list is cut back to its size.
int Append(os::FileHandle& list, const std::string& text, std::uint64_t size) {
  int e = os::WriteAt(list, text.data(), text.size(), size);
  if (e == 0) e = os::FlushFile(list);
  if (e != 0 && os::Truncate(list, size) == 0) os::FlushFile(list);
  return e;
}

// Writes text as the whole list under a hidden temporary name beside it, flushes it and renames
// it over the list (or, with replace false, to the list's name, never over a list made
// meanwhile); the folder's entries are flushed last. On a failure the temporary goes.
int WriteWhole(const std::string& root, const std::string& path, const std::string& text,
               bool replace, std::mt19937_64& random) {
  const os::Source plain;
  os::File file;
  std::string temp;
  for (int attempt = 0; !file; ++attempt) {
    if (attempt == 100) return err::kPathFileAccessError;
    temp = root + kSep + TemporaryName(NameOf(path).size(), random());
    const int e = os::CreateTemporary(temp, plain, file);
    if (e != 0 && e != err::kFileAlreadyExists) return e;
  }
  int e = os::WriteAt(*file, text.data(), text.size(), 0);
  if (e == 0) e = os::FlushFile(*file);
  if (e == 0) e = os::SetFinalAttributes(*file, plain);
  if (e == 0) e = os::Rename(*file, temp, path, replace);
  if (e != 0) {
    os::RemoveTemporary(*file, temp);
    return e;
  }
  e = os::SyncFolder(root);
  return e == os::kNotThere ? 0 : e;
}

}  // namespace

HashList::HashList(std::string root, std::string case_name)
    : root_(std::move(root)),
      case_name_(std::move(case_name)),
      path_(root_ + kSep + case_name_ + std::string(kExtension)),
      random_((std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}() ^
              os::Entropy()) {}

// Which copies the list names, by their names folded as the destination's system folds them.
void HashList::Learn(std::string_view text) {
  listed_.clear();
  hash_lines::ForEachLine(text, [this](std::string_view line, bool) {
    Digest digest;
    std::string copy;
    if (!hash_lines::ParseHashLine(line, digest, copy)) return;
    listed_[os::FoldedName(root_ + kSep + Native(copy))].push_back(std::move(copy));
  });
  last_line_whole_ = text.empty() || text.ends_with('\n');
  last_line_broken_ = false;
  if (!last_line_whole_) {
    hash_lines::ForEachLine(text.substr(text.rfind('\n') + 1), [this](std::string_view line, bool) {
      last_line_broken_ = !hash_lines::IsListLine(line);
    });
  }
}

int HashList::Add(const std::vector<HashRecord>& records) {
  if (records.empty()) return 0;
  try {
    // The records as listed; of two for one copy, the later stands.
    std::vector<HashRecord> adding;
    std::unordered_set<std::string> seen;
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
      HashRecord listed = *r;
      listed.copy = ListedCopy(root_, r->copy);
      if (seen.insert(listed.copy).second) adding.push_back(std::move(listed));
    }
    std::reverse(adding.begin(), adding.end());
    std::string lines;
    for (const HashRecord& record : adding)
      lines += hash_lines::SourceLine(record) + hash_lines::HashLine(record);

    os::File list;
    int e = os::OpenExisting(path_, list);
    if (e == os::kNotThere) {
      const std::string text = hash_lines::Header(NameOf(path_)) + lines;
      known_size_.reset();
      e = WriteWhole(root_, path_, text, false, random_);
      if (e == 0) {
        Learn(text);
        known_size_ = text.size();
      }
      return e;
    }
    if (e != 0) return e;
    FileStamp now;
    if ((e = os::StampNow(*list, now)) != 0)
      return e == os::kNotThere ? err::kPathFileAccessError : e;
    // Read again only when it changed since: another program, or a hand, wrote to it.
    std::string text;
    const bool known = known_size_ == now.size;
    known_size_.reset();
    if (!known) {
      if ((e = ReadAll(*list, now.size, text)) != 0) return e;
      Learn(text);
    }

    // Listed copies whose file a record's copy is now: the same name or, where names differ only
    // by letter case, the same file (Windows, and file systems elsewhere that ignore case).
    std::unordered_set<std::string> replaced;
    for (const HashRecord& record : adding) {
      const auto found = listed_.find(os::FoldedName(root_ + kSep + Native(record.copy)));
      if (found == listed_.end()) continue;
      for (const std::string& copy : found->second) {
        std::error_code ec;
        if (copy == record.copy ||
            std::filesystem::equivalent(FileSystemPath(root_ + kSep + Native(copy)),
                                        FileSystemPath(root_ + kSep + Native(record.copy)), ec)) {
          replaced.insert(copy);
        }
      }
    }

    if (replaced.empty() && !last_line_broken_) {
      const std::string text_added = now.size == 0      ? hash_lines::Header(NameOf(path_)) + lines
                                     : last_line_whole_ ? lines
                                                        : "\n" + lines;
      if ((e = Append(*list, text_added, now.size)) != 0) return e;
      known_size_ = now.size + text_added.size();
      for (const HashRecord& record : adding) {
        listed_[os::FoldedName(root_ + kSep + Native(record.copy))].push_back(record.copy);
      }
      last_line_whole_ = true;
      return 0;
    }

    if (known && (e = ReadAll(*list, now.size, text)) != 0) return e;
    list.reset();  // a file held open cannot be replaced on Windows
    std::string whole = hash_lines::Without(text, replaced, last_line_broken_);
    whole = (whole.empty() ? hash_lines::Header(NameOf(path_)) : whole) + lines;
    if ((e = WriteWhole(root_, path_, whole, true, random_)) != 0) return e;
    Learn(whole);
    known_size_ = whole.size();
    return 0;
  } catch (const RuntimeError& error) {
    known_size_.reset();
    return error.number();
  } catch (const std::bad_alloc&) {
    known_size_.reset();
    return err::kOutOfMemory;
  }
}

int ReadHashLists(const std::string& root, std::vector<HashRecord>& records) {
  try {
    std::vector<std::string> names;
    Listing listing(root + kSep, attr::kNormal);
    while (const std::optional<std::string> name = listing.Next()) {
      if (EndsWithIgnoringAsciiCase(*name, kExtension)) names.push_back(*name);
    }
    int first_error = listing.error();
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      os::File file;
      os::Source source;
      std::string text;
      int e = os::OpenSource(root + kSep + name, file, source);
      if (e == 0) e = ReadAll(*file, source.stamp.size, text);
      if (e == 0) {
        ParseHashList(text, records);
      } else if (first_error == 0) {
        first_error = e;
      }
    }
    return first_error;
  } catch (const RuntimeError& error) {
    return error.number();
  } catch (const std::bad_alloc&) {
    return err::kOutOfMemory;
  }
}

}  // namespace pixferry
