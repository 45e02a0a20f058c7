// The record of what an import proved, beside its case folder in the destination root:
// "<case folder>.sha256", in the form "sha256sum -c" reads (run in the destination root), with
// comment lines that let Delete recognise each copy's source after the program was closed.
#pragma once

#include <string>
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
  int Add(const std::vector<HashRecord>& records);

  const std::string& path() const noexcept { return path_; }

 private:
  std::string root_;
  std::string case_name_;
  std::string path_;
};

// Every record of every list directly in root; lines it does not understand are passed over, and
// a missing root holds none. 0 or the run-time error number of a list that could not be read.
int ReadHashLists(const std::string& root, std::vector<HashRecord>& records);

}  // namespace pixferry
