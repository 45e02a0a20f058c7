// The hash lists, written over the copy's primitives (platform/primitives.h). New lines are
// appended to the list in place and flushed; an append that fails is cut off again. A list made
// new, or one that must lose the lines of a copy overwritten since, is written whole under a
// hidden temporary name beside it, flushed and renamed over it: a crash leaves the old list or
// the new one, never a mix, and a killed run's temporary is one CleanLeftovers removes.
#include "platform/hash_list.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
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
#include "platform/paths.h"
#include "platform/primitives.h"
#include "platform/temp_names.h"

namespace pixferry {
namespace {

constexpr std::string_view kExtension = ".sha256";
constexpr std::string_view kSourceTag = "# source ";

// The list keeps times as nanoseconds since 1970 UTC on every system, so that it says what it
// means wherever it is read; Windows counts 100 ns steps since 1601. 0, no time kept, stays 0.
#ifdef _WIN32
constexpr long long kFileTimeOf1970 = 116444736000000000LL;
long long ListTime(long long stamp) {
  return stamp == 0 ? 0 : (stamp - kFileTimeOf1970) * 100;
}
long long StampTime(long long listed) {
  return listed == 0 ? 0 : listed / 100 + kFileTimeOf1970;
}
#else
long long ListTime(long long stamp) {
  return stamp;
}
long long StampTime(long long listed) {
  return listed;
}
#endif

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

// ---- Names as sha256sum writes them: one holding "\" or a line break has those escaped, and its
// line begins with "\".

bool NeedsEscape(std::string_view name) {
  return name.find_first_of("\\\n\r") != std::string_view::npos;
}

std::string Escaped(std::string_view name) {
  std::string text;
  for (const char c : name) {
    if (c == '\\') {
      text += "\\\\";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\r') {
      text += "\\r";
    } else {
      text += c;
    }
  }
  return text;
}

// False on an escape sha256sum never writes.
bool Unescape(std::string_view text, std::string& name) {
  name.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      name += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        name += '\\';
        break;
      case 'n':
        name += '\n';
        break;
      case 'r':
        name += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

// ---- The values of a "# source" line: "%", control characters and, but in the last value, a
// blank, as "%" and two hexadecimal digits.

std::string Encoded(std::string_view value, bool last) {
  std::string text;
  for (const char c : value) {
    if (c == '%' || IsControl(c) || (c == ' ' && !last)) {
      constexpr std::string_view kDigits = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(c);
      text += '%';
      text += kDigits[byte >> 4];
      text += kDigits[byte & 0xf];
    } else {
      text += c;
    }
  }
  return text;
}

// A "%" without two hexadecimal digits after it stands for itself, as a hand may write it.
std::string Decoded(std::string_view text) {
  std::string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      value += static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2]));
      i += 2;
    } else {
      value += text[i];
    }
  }
  return value;
}

template <class Number>
bool ReadNumber(std::string_view text, Number& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

// ---- Lines.

std::string SourceLine(const HashRecord& record) {
  return std::string(kSourceTag) + "size=" + std::to_string(record.stamp.size) +
         " modified=" + std::to_string(ListTime(record.stamp.modified)) +
         " changed=" + std::to_string(ListTime(record.stamp.changed)) +
         " checked=" + Encoded(record.checked, false) + " path=" + Encoded(record.source, true) +
         "\n";
}

std::string HashLine(const HashRecord& record) {
  if (NeedsEscape(record.copy))
    return "\\" + ToHex(record.digest) + "  " + Escaped(record.copy) + "\n";
  return ToHex(record.digest) + "  " + record.copy + "\n";
}

// The first line of a new list: the program that wrote it, and the command that checks it, ready
// to paste where the name needs no shell's quoting rules.
std::string Header(const std::string& list_name) {
  const bool plain = std::none_of(list_name.begin(), list_name.end(), [](char c) {
    return IsControl(c) || std::string_view("\"\\`$!%").find(c) != std::string_view::npos;
  });
  return "# Pixferry " PIXFERRY_PROGRAM_VERSION
         " SHA-256 list. Check it in the folder that holds it: sha256sum -c " +
         (plain ? "\"" + list_name + "\"" : std::string("<this list>")) + "\n";
}

// A line as "sha256sum -c" reads it: 64 hexadecimal digits, a blank, a blank or "*" (written in
// binary mode), the name; "\" first when the name is escaped.
bool ParseHashLine(std::string_view line, Digest& digest, std::string& copy) {
  const bool escaped = line.starts_with('\\');
  if (escaped) line.remove_prefix(1);
  if (line.size() < 66 || !FromHex(line.substr(0, 64), digest) || line[64] != ' ') return false;
  line.remove_prefix(65);
  if (line.front() == ' ' || line.front() == '*') line.remove_prefix(1);
  if (line.empty()) return false;
  if (escaped) return Unescape(line, copy);
  copy = line;
  return true;
}

// A "# source" line's fields, in any order up to the path, which is the last; false unless it
// names a size, a time of last change and a path.
bool ParseSourceLine(std::string_view line, HashRecord& record) {
  if (!line.starts_with(kSourceTag)) return false;
  line.remove_prefix(kSourceTag.size());
  bool has_size = false;
  bool has_modified = false;
  while (!line.empty()) {
    if (line.starts_with("path=")) {
      record.source = Decoded(line.substr(5));
      return has_size && has_modified && !record.source.empty();
    }
    const std::size_t blank = line.find(' ');
    const std::string_view field = line.substr(0, blank);
    line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = field.substr(0, equals);
    const std::string_view value = field.substr(equals + 1);
    long long time = 0;
    if (key == "size") {
      has_size = ReadNumber(value, record.stamp.size);
    } else if (key == "modified") {
      has_modified = ReadNumber(value, time);
      record.stamp.modified = StampTime(time);
    } else if (key == "changed" && ReadNumber(value, time)) {
      record.stamp.changed = StampTime(time);
    } else if (key == "checked") {
      record.checked = Decoded(value);
    }
  }
  return false;
}

// Calls each for every line of text, without its end (LF, or CRLF as Windows editors write);
// whole is false for a last line that has no end.
void ForEachLine(std::string_view text,
                 const std::function<void(std::string_view line, bool whole)>& each) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    each(line, end != std::string_view::npos);
  }
}

// A line the list may hold: a copy's, a comment, or a blank one.
bool IsListLine(std::string_view line) {
  Digest digest;
  std::string copy;
  return line.find_first_not_of(" \t") == std::string_view::npos || line.starts_with('#') ||
         ParseHashLine(line, digest, copy);
}

// ---- The list's file.

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

// The list's text without the lines of the copies replaced (each with the "# source" line before
// it) and, when drop_last, without a last line left without its end: a write cut short.
std::string Without(std::string_view text, const std::unordered_set<std::string>& replaced,
                    bool drop_last) {
  std::vector<std::string_view> lines;  // each with its end
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
    lines.push_back(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  std::vector<bool> keep(lines.size(), true);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ForEachLine(lines[i], [&](std::string_view line, bool) {
      Digest digest;
      std::string copy;
      if (!ParseHashLine(line, digest, copy) || !replaced.contains(copy)) return;
      keep[i] = false;
      if (i > 0 && keep[i - 1] && lines[i - 1].starts_with(kSourceTag)) keep[i - 1] = false;
    });
  }
  if (drop_last && !lines.empty() && !lines.back().ends_with('\n')) keep.back() = false;
  std::string kept;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (keep[i]) kept += lines[i];
  }
  if (!kept.empty() && !kept.ends_with('\n')) kept += '\n';
  return kept;
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
  ForEachLine(text, [this](std::string_view line, bool) {
    Digest digest;
    std::string copy;
    if (!ParseHashLine(line, digest, copy)) return;
    listed_[os::FoldedName(root_ + kSep + Native(copy))].push_back(std::move(copy));
  });
  last_line_whole_ = text.empty() || text.ends_with('\n');
  last_line_broken_ = false;
  if (!last_line_whole_) {
    ForEachLine(text.substr(text.rfind('\n') + 1),
                [this](std::string_view line, bool) { last_line_broken_ = !IsListLine(line); });
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
    for (const HashRecord& record : adding) lines += SourceLine(record) + HashLine(record);

    os::File list;
    int e = os::OpenExisting(path_, list);
    if (e == os::kNotThere) {
      const std::string text = Header(NameOf(path_)) + lines;
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
      const std::string text_added = now.size == 0      ? Header(NameOf(path_)) + lines
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
    std::string whole = Without(text, replaced, last_line_broken_);
    whole = (whole.empty() ? Header(NameOf(path_)) : whole) + lines;
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

void ParseHashList(std::string_view text, std::vector<HashRecord>& records) {
  std::optional<HashRecord> described;  // by the "# source" line just before
  ForEachLine(text, [&](std::string_view line, bool) {
    HashRecord record;
    if (ParseHashLine(line, record.digest, record.copy)) {
      if (described) {
        described->digest = record.digest;
        described->copy = std::move(record.copy);
        record = std::move(*described);
      }
      records.push_back(std::move(record));
      described.reset();
      return;
    }
    described.reset();
    if (ParseSourceLine(line, record)) described = std::move(record);
  });
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

std::string UtcTimeText(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto second = floor<seconds>(when);
  const auto day = floor<days>(second);
  const year_month_day date{day};
  const hh_mm_ss time{second - day};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace pixferry
