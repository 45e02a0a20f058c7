// The record of what an import proved, beside its case folder in the destination root:
// "<case folder>.sha256", in the form "sha256sum -c" reads (run in the destination root), with
// comment lines that let Delete recognise each copy's source after the program was closed.
//
// A list reads:
// clang-format off
//   # Pixferry 0.1.0 SHA-256 list. Check it in the folder that holds it: sha256sum -c "C.sha256"
//   # source size=4718592 modified=1796638500123456789 changed=1796638500123456789 checked=2026-12-07T10:15:00Z path=/media/card/DCIM/100MEDIA/IMG_0001.JPG
//   9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08  C/IMG_0001.JPG
// clang-format on
// Each copy's hash line follows the "# source" line of its source at once. Times are nanoseconds
// since 1970-01-01 UTC on every system ("changed" 0 where the system keeps none); in the values,
// "%", a blank (but in the last, the path) and control characters are written as "%" and two
// hexadecimal digits. A copy's name holding "\" or a line break is written as sha256sum writes
// it: "\" before the digits, and those characters as "\\", "\n" and "\r".
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/sha256.h"

namespace pixferry {

// One proved copy.
struct HashRecord {
  Digest digest{};
  std::string copy;     // below the destination root, "/" between the case folder and its name
  std::string source;   // the card's path of the photo it is a copy of
  FileStamp stamp;      // the source's, as it was copied
  std::string checked;  // when the copy was proved, UTC: "2026-12-07T10:15:00Z"
};

// The list of one case folder. Not shared between threads.
class HashList {
 public:
  HashList(std::string root, std::string case_name);

  // Adds the records' lines, after each copy holds its final name, and has the list on the
  // storage before it returns; a copy listed already (overwritten) has its lines replaced, so the
  // list still checks. 0 or the run-time error number; a failure leaves the list as it was.
  // A copy is listed by the name the file system holds (on Windows, its own letter case).
  int Add(const std::vector<HashRecord>& records);

  const std::string& path() const noexcept { return path_; }

 private:
  void Learn(std::string_view text);

  std::string root_;
  std::string case_name_;
  std::string path_;
  // What the list held when this object last read or wrote it, so that adding to a long list
  // does not read it again: its size, the copies it lists (by their names folded to one letter
  // case), and whether its last line is whole.
  std::optional<std::uint64_t> known_size_;
  std::unordered_map<std::string, std::vector<std::string>> listed_;
  bool last_line_whole_ = true;
  bool last_line_broken_ = false;
  std::mt19937_64 random_;
};

// Every record of every list directly in root; lines it does not understand are passed over, and
// a missing root holds none. 0 or the run-time error number of a list that could not be read
// (the others are read all the same).
int ReadHashLists(const std::string& root, std::vector<HashRecord>& records);

// The records of one list's text, as ReadHashLists reads each file: LF or CRLF line ends.
void ParseHashList(std::string_view text, std::vector<HashRecord>& records);

// A moment as the lists write it: "2026-12-07T10:15:00Z".
std::string UtcTimeText(std::chrono::system_clock::time_point when);

}  // namespace pixferry
