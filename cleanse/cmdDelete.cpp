#include <cstdint>
#include <optional>
#include <string>

#include "app/frmMain.h"
#include "cleanse/DeleteRefusal.h"
#include "cleanse/mdlDeleteTree.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tree.h"

namespace pixferry {
namespace {

std::string RootText(const std::string& strSource) {
  return "The source folder " + strSource +
         " is the root of a drive or of a mounted file system, which Delete never removes.  "
         "Nothing has been deleted.";
}

std::string StartFolderText(const std::string& strSource, const std::string& strStart) {
  return "The source folder " + strSource + " is or contains the folder Pixferry was started in (" +
         strStart + "), which holds its settings file paths.dat.  Nothing has been deleted.";
}

std::string DestinationText(const std::string& strSource, const std::string& strSave) {
  return "The destination folder " + strSave + " lies inside the source folder " + strSource +
         ", so deleting the source would delete the copies too.  Nothing has been deleted.";
}

std::string InsideDestinationText(const std::string& strSource, const std::string& strSave) {
  return "The source folder " + strSource + " is or lies inside the destination folder " + strSave +
         ", which holds the copies.  Nothing has been deleted.";
}

// The identity of the folder at path, or with nearest of the folder it would be made in; nothing
// where none can be had, as for a folder that is not there.
std::optional<FolderIdentity> IdentityOf(const std::string& path, bool nearest = false) {
  FolderIdentity identity;
  const int e = nearest ? IdentifyNearestFolder(path, identity) : IdentifyFolder(path, identity);
  if (e != 0) return std::nullopt;
  return identity;
}

// The folders of paths.dat and of the copies, with every folder above them: Delete's walks never
// enter or remove one, however the source's tree reaches it (a bind mount, another drive letter).
DeleteFence FenceFor(const std::string& strSource, const std::string& strStart,
                     const std::string& strSave) {
  DeleteFence fence;
  const auto add = [&fence](std::optional<FolderIdentity> folder, std::string refusal) {
    if (!folder) return;
    fence.folders.push_back(std::move(*folder));
    fence.refusals.push_back(std::move(refusal));
  };
  if (!strSave.empty()) add(IdentityOf(strSave, true), DestinationText(strSource, strSave));
  std::string here;
  ThrowIfError(CurrentDirectory(here));
  for (const std::string& start : {strStart, here}) {
    if (!start.empty()) add(IdentityOf(start), StartFolderText(strSource, start));
  }
  return fence;
}

// Why the source may not go, in the operator's words; empty when it may.
std::string RefusalText(const std::string& strSource, const std::string& strStart,
                        const std::string& strSave) {
  const std::optional<FolderIdentity> destination =
      strSave.empty() ? std::nullopt : IdentityOf(strSave);
  const bool made = destination.has_value();
  switch (WhyDeleteIsRefused(IdentityOf(PlatformFolderPath(strSource)),
                             strStart.empty() ? std::nullopt : IdentityOf(strStart),
                             made || strSave.empty() ? destination : IdentityOf(strSave, true),
                             made)) {
    case DeleteRefusal::kRoot:
      return RootText(strSource);
    case DeleteRefusal::kStartFolder:
      return StartFolderText(strSource, strStart);
    case DeleteRefusal::kDestination:
      return DestinationText(strSource, strSave);
    case DeleteRefusal::kInsideDestination:
      return InsideDestinationText(strSource, strSave);
    case DeleteRefusal::kNone:
      break;
  }
  return {};
}

}  // namespace

void frmMain::cmdDelete_Click() {
  try {
    if (strSourcePath.empty()) {
      desktop.MsgBox("Source directory is not set!", mb::kInformation, "Nope");
      return;
    }
    const std::string refusal = RefusalText(strSourcePath, strMyDirectory, strSavePath);
    if (!refusal.empty()) {
      desktop.MsgBox(refusal, mb::kStop, "Delete refused");
      return;
    }
    const DeleteFence fence = FenceFor(strSourcePath, strMyDirectory, strSavePath);
    if (!ConfirmUncopied(fence)) return;
    const int answer = desktop.MsgBox(
        "Are you sure you want to delete the source files from " + strSourcePath + "?",
        mb::kYesNo + mb::kQuestion, "Delete?");
    if (answer != mb::kAnswerYes) return;

    std::int16_t intFailed = 0;
    DeleteTree(strSourcePath, intFailed, desktop, fence.folders);
    // The source is forgotten whatever the outcome: part of it may be gone already.
    strSourcePath.clear();
    source_list.Clear();
    source_list.SetButtons(!txtSource.Text().empty());
    txtMessage.SetText(intFailed == 0 ? "Photos have been cleansed from the source."
                                      : "There has been an ERROR in cleansing (deletion).");
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
