// Delete's guard: the card is the only other place a photo is, so before it is cleansed every
// photo or video on it must have a copy proved on the destination since the program started, or
// the operator must say that it may go all the same.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

// The eight extensions of the copy in any letter case: a photo the copy passed over for its
// spelling (DSC_0003.Jpg) is still a photo.
bool IsPhotoOrVideoAnyCase(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string extension(name.substr(dot));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension == ".jpg" || extension == ".jpeg" || extension == ".mpg" || extension == ".mpeg";
}

// Every photo or video of the tree without a verified copy, as paths below root. The walk sees
// hidden and system files, which Delete removes too, and does not follow links out of the tree.
void FindUncopied(const VerifiedCopies& verified, const std::string& folder,
                  const std::string& below, std::vector<std::string>& uncopied) {
  std::vector<std::string> subfolders;
  Listing listing(folder + kSep, attr::kHidden | attr::kSystem | attr::kDirectory);
  while (std::optional<std::string> name = listing.Next()) {
    if (*name == "." || *name == "..") continue;
    const std::string path = folder + kSep + *name;
    int attributes = 0;
    ThrowIfError(TryReadAttributes(path, attributes));
    if (attributes & attr::kDirectory) {
      if (!(attributes & attr::kLink)) subfolders.push_back(*name);
      continue;
    }
    if (!IsPhotoOrVideoAnyCase(*name)) continue;
    const std::optional<FileStamp> stamp = StampOf(path);
    if (!stamp || !verified.Covers(path, *stamp)) uncopied.push_back(below + *name);
  }
  if (listing.error() != 0) throw RuntimeError(listing.error());
  for (const std::string& name : subfolders) {
    FindUncopied(verified, folder + kSep + name, below + name + kSep, uncopied);
  }
}

std::string Question(const std::string& source, std::vector<std::string> uncopied) {
  std::sort(uncopied.begin(), uncopied.end());
  constexpr std::size_t kNamed = 3;
  std::string names;
  for (std::size_t i = 0; i < std::min(kNamed, uncopied.size()); ++i) {
    if (i > 0) names += ", ";
    names += uncopied[i];
  }
  if (uncopied.size() > kNamed)
    names += " and " + std::to_string(uncopied.size() - kNamed) + " more";
  const std::string count = std::to_string(uncopied.size());
  const std::string what = uncopied.size() == 1 ? " photo or video in " + source + " has"
                                                : " photos or videos in " + source + " have";
  return count + what + " no verified copy: " + names + ".  Do you want to delete anyway?";
}

// The folder Delete removes, spelled as the tree deletion reads it: blanks at the ends count on
// POSIX and not on Windows, and one trailing separator does not count.
std::string TreeRoot(const std::string& path) {
  std::string root = PlatformFolderPath(path);
  if (root.size() > 1 && root.back() == kSep) root.pop_back();
  return root;
}

}  // namespace

bool frmMain::ConfirmUncopied() {
  std::vector<std::string> uncopied;
  FindUncopied(verified_copies, TreeRoot(strSourcePath), "", uncopied);
  if (uncopied.empty()) return true;
  return desktop.MsgBox(Question(strSourcePath, std::move(uncopied)),
                        mb::kYesNo + mb::kExclamation + mb::kDefaultButton2,
                        "Not copied") == mb::kAnswerYes;
}

}  // namespace pixferry
