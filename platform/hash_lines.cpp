// The text of a hash list's lines: written by this program, read back from a list that may have
// been edited by hand, cut short by a crash or written by another tool.
#include "platform/hash_lines.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace pixferry {
namespace {

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

}  // namespace

namespace hash_lines {

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

std::string Header(const std::string& list_name) {
  const bool plain = std::none_of(list_name.begin(), list_name.end(), [](char c) {
    return IsControl(c) || std::string_view("\"\\`$!%").find(c) != std::string_view::npos;
  });
  return "# Pixferry " PIXFERRY_PROGRAM_VERSION
         " SHA-256 list. Check it in the folder that holds it: sha256sum -c " +
         (plain ? "\"" + list_name + "\"" : std::string("<this list>")) + "\n";
}

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

bool IsListLine(std::string_view line) {
  Digest digest;
  std::string copy;
  return line.find_first_not_of(" \t") == std::string_view::npos || line.starts_with('#') ||
         ParseHashLine(line, digest, copy);
}

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

}  // namespace hash_lines

void ParseHashList(std::string_view text, std::vector<HashRecord>& records) {
  std::optional<HashRecord> described;  // by the "# source" line just before
  hash_lines::ForEachLine(text, [&](std::string_view line, bool) {
    HashRecord record;
    if (hash_lines::ParseHashLine(line, record.digest, record.copy)) {
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
