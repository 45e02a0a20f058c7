#include "cleanse/mdlDeleteTree.h"

#include <string>
#include <vector>

#include "app/errorbox.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {
namespace {

constexpr std::int32_t kNotAFolder = -1;

bool IsDotEntry(const std::string& name) {
  return name == "." || name == "..";
}

std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// A link goes the way its platform removes it: a link to a folder (a junction on Windows) as a
// folder, any other as a file. Either way only the link goes, never what it leads to.
int RemoveLink(const std::string& path, int attributes) noexcept {
  return (attributes & attr::kDirectory) != 0 ? TryRemoveFolder(path) : TryRemoveFile(path);
}

// The worker from the attribute test on, for a path already trimmed and checked. Subfolders come
// back here directly: trimming again would turn a folder named "x " into a different path.
std::int32_t DeleteCheckedFolder(const std::string& strPath) {
  int attributes = 0;
  if (TryReadAttributes(strPath, attributes) != 0) attributes = 0;
  if ((attributes & attr::kDirectory) == 0) return kNotAFolder;
  // A mounted filesystem's root is the POSIX counterpart of a drive root: never deleted.
  if (IsMountPoint(strPath)) return kNotAFolder;
  if ((attributes & attr::kLink) != 0) return RemoveLink(strPath, attributes);

  // Failing steps are skipped; the last failure stays pending until a check reports it.
  int pending = 0;
  auto note = [&pending](int error) {
    if (error != 0) pending = error;
  };

  // The listing ends before any subfolder is entered: one listing at a time.
  std::vector<std::string> subfolders;
  {
    Listing listing(strPath + kSep + "*.*", attr::kHidden | attr::kSystem | attr::kDirectory);
    while (const std::optional<std::string> name = listing.Next()) {
      if (IsDotEntry(*name)) continue;
      const std::string entry = strPath + kSep + *name;
      int entry_attributes = 0;
      note(TryReadAttributes(entry, entry_attributes));
      // An entry that cannot be inspected is not touched; its failure is this step's report.
      if (pending != 0) return pending;
      if ((entry_attributes & attr::kLink) != 0) {
        note(RemoveLink(entry, entry_attributes));
        if (pending != 0) return pending;
        continue;
      }
      if ((entry_attributes & attr::kDirectory) != 0) {
        subfolders.push_back(*name);
        continue;
      }
      if (entry_attributes != attr::kNormal) {
        note(TryWriteAttributes(entry, attr::kNormal));
        if (pending != 0) return pending;
      }
      note(TryRemoveFile(entry));
      if (pending != 0) return pending;
    }
    note(listing.error());
  }

  for (const std::string& name : subfolders) {
    const std::string subfolder = strPath + kSep + name;
    // Something mounted below the source is not entered; removing the busy folder fails and
    // reports like any folder that cannot be removed.
    const std::int32_t result =
        IsMountPoint(subfolder) ? TryRemoveFolder(subfolder) : DeleteCheckedFolder(subfolder);
    pending = 0;
    if (result != 0) return result;
  }

  note(TryRemoveFolder(strPath));
  return pending;
}

}  // namespace

std::int32_t DeleteFolderTree(std::string strPath) {
  strPath = TrimSpaces(strPath);
  if (strPath.empty()) return kNotAFolder;
  if (strPath.back() == kSep) strPath.pop_back();
  // A bare drive (E: or E:\) or the root "/" has no separator left: never deleted.
  if (strPath.find(kSep) == std::string::npos) return kNotAFolder;
  return DeleteCheckedFolder(strPath);
}

void DeleteTree(std::string strFolder, std::int16_t& intFailed, Desktop& desktop) {
  try {
    const std::int32_t status = DeleteFolderTree(strFolder);
    if (status == kNotAFolder) {
      desktop.MsgBox("The directory " + strFolder + " does not exist!", mb::kInformation,
                     "Nothing Here");
      intFailed = 1;
    } else if (status == 0) {
      intFailed = 0;
    } else {
      desktop.MsgBox("An Error was occured", mb::kExclamation, "Error");
      intFailed = 1;
    }
  } catch (...) {
    intFailed = 1;
    ShowErrorBox(desktop, "");
  }
}

}  // namespace pixferry
