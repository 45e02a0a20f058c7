// Delete's guard: the card is the only other place a photo is, so before it is cleansed every
// photo, video or sound recording on it must have a copy that still holds it: one proved since
// the program started, or one a hash list in the destination root records, read again from the
// destination's storage now. Otherwise the operator must say that it may go all the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/frmMain.h"
#include "cleanse/DeleteRefusal.h"
#include "copy/PhotoExtensions.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/hash_list.h"
#include "platform/stored_hash.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

// The first names of a list, the rest counted: "a, b, c and 2 more".
std::string FirstNames(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  constexpr std::size_t kNamed = 3;
  std::string text;
  for (std::size_t i = 0; i < std::min(kNamed, names.size()); ++i) {
    if (i > 0) text += ", ";
    text += names[i];
  }
  if (names.size() > kNamed) text += " and " + std::to_string(names.size() - kNamed) + " more";
  return text;
}

// Count first, then the first names: the files without a copy, then the folders the look could
// not enter, whose files are unknown.
std::string Question(const std::string& source, const std::vector<std::string>& uncopied,
                     const std::vector<std::string>& unchecked) {
  std::string text;
  if (!uncopied.empty()) {
    text = std::to_string(uncopied.size()) +
           (uncopied.size() == 1 ? " photo, video or sound recording in " + source + " has"
                                 : " photos, videos or sound recordings in " + source + " have") +
           " no verified copy: " + FirstNames(uncopied);
  }
  if (!unchecked.empty()) {
    text += (text.empty() ? "" : "; ") + std::to_string(unchecked.size()) +
            (unchecked.size() == 1 ? " folder" : " folders") +
            (text.empty() ? " in " + source : "") +
            " could not be checked for photos: " + FirstNames(unchecked);
  }
  return text + ".  Do you want to delete anyway?";
}

// The folder Delete removes, spelled as the tree deletion reads it: blanks at the ends count on
// POSIX and not on Windows, and one trailing separator does not count.
std::string TreeRoot(const std::string& path) {
  std::string root = PlatformFolderPath(path);
  if (root.size() > 1 && root.back() == kSep) root.pop_back();
  return root;
}

// What no name of a copy holds: a separator of the system, a drive's colon, a zero byte.
constexpr std::string_view kNotInAName =
    kSep == '\\' ? std::string_view("\\:\0", 3) : std::string_view("\0", 1);

// A list's copy as a path below root: plain names only, so that no line leads out of it.
std::optional<std::string> CopyBelow(const std::string& root, std::string_view copy) {
  std::string path = root;
  if (path.empty() || copy.empty()) return std::nullopt;
  if (path.back() != kSep) path += kSep;
  for (std::size_t start = 0; start <= copy.size();) {
    const std::size_t end = std::min(copy.find('/', start), copy.size());
    const std::string_view name = copy.substr(start, end - start);
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(kNotInAName) != std::string_view::npos) {
      return std::nullopt;
    }
    if (start > 0) path += kSep;
    path += name;
    start = end + 1;
  }
  return path;
}

// Same size and time of last change, and the same time of change where both know one.
bool SameStamp(const FileStamp& listed, const FileStamp& now) {
  return listed.size == now.size && listed.modified == now.modified &&
         (listed.changed == 0 || now.changed == 0 || listed.changed == now.changed);
}

// The copies the hash lists in the destination root record, by the card's path of their source.
class ListedCopies {
 public:
  explicit ListedCopies(const std::string& root) {
    if (root.empty()) return;
    // A list that cannot be read proves nothing, and its photos are asked about; the others
    // still count.
    std::vector<HashRecord> records;
    ReadHashLists(root, records);
    for (HashRecord& record : records) {
      if (std::optional<std::string> path = CopyBelow(root, record.copy)) {
        by_source_[record.source].push_back({{std::move(*path), record.digest}, record.stamp});
      }
    }
  }

  // The listed copies of source made while it was as it is now.
  void Add(const std::string& source, const FileStamp& now, std::vector<ProvedCopy>& copies) const {
    const auto found = by_source_.find(source);
    if (found == by_source_.end()) return;
    for (const Listed& listed : found->second) {
      if (SameStamp(listed.stamp, now)) copies.push_back(listed.copy);
    }
  }

 private:
  struct Listed {
    ProvedCopy copy;
    FileStamp stamp;
  };
  std::unordered_map<std::string, std::vector<Listed>> by_source_;
};

// A file of the card with the copies that may hold it.
struct Covered {
  std::string path;
  std::string below;
  std::vector<ProvedCopy> copies;
};

}  // namespace

bool frmMain::ConfirmUncopied(const DeleteFence& fence) {
  const ListedCopies listed(strSavePath);
  std::vector<std::string> uncopied;
  std::vector<Covered> covered;
  TreeLook look;
  const std::int32_t status = LookThroughTree(
      TreeRoot(strSourcePath), fence.folders,
      [&](const std::string& path, const std::string& below) {
        if (!IsCameraFile(below)) return;
        FileStamp stamp;
        Covered file{path, below, {}};
        if (StampOf(path, stamp) == 0) {
          file.copies = verified_copies.CopiesOf(path, stamp);
          listed.Add(path, stamp, file.copies);
        }
        if (file.copies.empty()) {
          uncopied.push_back(below);
        } else {
          covered.push_back(std::move(file));
        }
      },
      look);
  if (status == kFenced) {
    desktop.MsgBox(fence.refusals[look.fenced], mb::kStop, "Delete refused");
    return false;
  }
  // A source that is no folder is Delete's own to report.
  if (status != 0 && status != kNotThere) throw RuntimeError(status);

  // Each copy counted on is read again from the destination, never the card: one gone, cut
  // short, changed since its proof, or that is the card's file itself holds nothing.
  const std::string status_text = txtMessage.Text();
  const auto keep_alive = [this] { desktop.KeepAlive(); };
  for (std::size_t i = 0; i < covered.size(); ++i) {
    txtMessage.SetText("Checking the copies before Delete... " + std::to_string(i + 1) + " of " +
                       std::to_string(covered.size()));
    txtMessage.Refresh();
    desktop.KeepAlive();
    const Covered& file = covered[i];
    const bool holds = std::ranges::any_of(file.copies, [&](const ProvedCopy& copy) {
      Digest stored{};
      return !SameFile(copy.path, file.path) &&
             HashFromStorage(copy.path, stored, keep_alive) == 0 && stored == copy.digest;
    });
    if (!holds) uncopied.push_back(file.below);
  }
  if (!covered.empty()) txtMessage.SetText(status_text);

  if (uncopied.empty() && look.unchecked.empty()) return true;
  return desktop.MsgBox(Question(strSourcePath, uncopied, look.unchecked),
                        mb::kYesNo + mb::kExclamation + mb::kDefaultButton2,
                        "Not copied") == mb::kAnswerYes;
}

}  // namespace pixferry
