#include "app/StartupFolders.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/userfolders.h"
#include "settings/PathsFile.h"

namespace pixferry {
namespace {

StartupFolders Refuse(Desktop& desktop, const std::string& text) {
  desktop.MsgBox(text, mb::kStop, "");
  return {false, {}};
}

// A folder that cannot be looked into counts as holding neither: nothing is written there.
bool HoldsCardOrSettings(const std::string& folder) {
  constexpr int kAnyEntry = attr::kDirectory | attr::kHidden | attr::kSystem;
  try {
    return ListingFindsEntry(folder + kSep + "DCIM", kAnyEntry) ||
           ListingFindsEntry(folder + kSep + std::string(kPathsFile), kAnyEntry);
  } catch (const RuntimeError&) {
    return false;
  }
}

// Makes the per-user settings folder and works in it, with card as where the photos are.
StartupFolders InUserSettingsFolder(const std::string& card, Desktop& desktop) {
  const SettingsHome home = PerUserSettingsFolder();
  if (!home.failure.empty()) {
    return Refuse(desktop, "The settings folder cannot be found: " + home.failure + ".");
  }
  if (const std::string why = MakeFolderPath(home.path); !why.empty()) {
    return Refuse(desktop, "The settings folder " + home.path + " cannot be made: " + why + ".");
  }
  if (const std::string why = ChangeCurrentDirectory(home.path); !why.empty()) {
    return Refuse(desktop, "The settings folder " + home.path + " cannot be opened: " + why + ".");
  }
  return {true, card};
}

}  // namespace

StartupFolders PrepareStartupFolders(const std::vector<std::string>& arguments, Desktop& desktop) {
  if (arguments.empty()) {
    if (!kLooseStartUsesUserSettings) return {};
    std::string started;
    try {
      started = CurrentDirectory();
    } catch (const RuntimeError&) {
      return {};  // start-up reports it
    }
    if (HoldsCardOrSettings(started)) return {};
    return InUserSettingsFolder(started, desktop);
  }
  if (arguments.size() > 1) {
    return Refuse(desktop,
                  "Pixferry takes one folder, the root of the camera card, and was given " +
                      std::to_string(arguments.size()) + ".");
  }

  // Made absolute first: the current directory is about to change.
  const std::string card = AbsoluteFolderPath(arguments.front());
  if (const std::string why = FolderReadFailure(card); !why.empty()) {
    return Refuse(desktop, "The card folder " + card + " cannot be read: " + why + ".");
  }
  return InUserSettingsFolder(card, desktop);
}

}  // namespace pixferry
