// Delete's guard: the card is the only other place a photo is, so before it is cleansed every
// photo or video on it must have a copy proved on the destination since the program started, or
// the operator must say that it may go all the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/frmMain.h"
#include "cleanse/DeleteRefusal.h"
#include "copy/PhotoExtensions.h"
#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

// The copy's extensions in any letter case: a photo the copy passed over for its
// spelling (DSC_0003.Jpg) is still a photo.
bool IsPhotoOrVideoAnyCase(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  return std::ranges::any_of(kPhotoExtensions, [extension = name.substr(dot)](std::string_view e) {
    return EqualsIgnoringAsciiCase(extension, e);
  });
}

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

// Count first, then the first names: the photos without a copy, then the folders the look could
// not enter, whose photos are unknown.
std::string Question(const std::string& source, const std::vector<std::string>& uncopied,
                     const std::vector<std::string>& unchecked) {
  std::string text;
  if (!uncopied.empty()) {
    text = std::to_string(uncopied.size()) +
           (uncopied.size() == 1 ? " photo or video in " + source + " has"
                                 : " photos or videos in " + source + " have") +
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

}  // namespace

bool frmMain::ConfirmUncopied(const DeleteFence& fence) {
  std::vector<std::string> uncopied;
  TreeLook look;
  const std::int32_t status = LookThroughTree(
      TreeRoot(strSourcePath), fence.folders,
      [&](const std::string& path, const std::string& below) {
        if (!IsPhotoOrVideoAnyCase(below)) return;
        FileStamp stamp;
        if (StampOf(path, stamp) != 0 || !verified_copies.Covers(path, stamp))
          uncopied.push_back(below);
      },
      look);
  if (status == kFenced) {
    desktop.MsgBox(fence.refusals[look.fenced], mb::kStop, "Delete refused");
    return false;
  }
  // A source that is no folder is Delete's own to report.
  if (status != 0 && status != kNotThere) throw RuntimeError(status);
  if (uncopied.empty() && look.unchecked.empty()) return true;
  return desktop.MsgBox(Question(strSourcePath, uncopied, look.unchecked),
                        mb::kYesNo + mb::kExclamation + mb::kDefaultButton2,
                        "Not copied") == mb::kAnswerYes;
}

}  // namespace pixferry
