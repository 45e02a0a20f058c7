#include "app/StartupFolders.h"

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
  for (const std::string& name : {std::string("DCIM"), std::string(kPathsFile)}) {
    bool found = false;
    if (FindEntry(folder + kSep + name, kAnyEntry, found) != 0) return false;
    if (found) return true;
  }
  return false;
}

// Makes the per-user settings folder and works in it, with card as where the photos are.
StartupFolders InUserSettingsFolder(const std::string& card, Desktop& desktop) {
  std::string home;
  std::string why;
  if (PerUserSettingsFolder(home, why) != 0) {
    return Refuse(desktop, "The settings folder cannot be found: " + why + ".");
  }
  if (MakeFolderPath(home, why) != 0) {
    return Refuse(desktop, "The settings folder " + home + " cannot be made: " + why + ".");
  }
  if (ChangeCurrentDirectory(home, why) != 0) {
    return Refuse(desktop, "The settings folder " + home + " cannot be opened: " + why + ".");
  }
  return {true, card};
}

}  // namespace

StartupFolders PrepareStartupFolders(const std::vector<std::string>& arguments, Desktop& desktop) {
  if (arguments.empty()) {
    if (!kLooseStartUsesUserSettings) return {};
    std::string started;
    if (CurrentDirectory(started) != 0) return {};  // start-up reports it
    if (HoldsCardOrSettings(started)) return {};
    return InUserSettingsFolder(started, desktop);
  }
  if (arguments.size() > 1) {
    return Refuse(desktop,
                  "Pixferry takes one folder, the root of the camera card, and was given " +
                      std::to_string(arguments.size()) + ".");
  }

  // Made absolute first: the current directory is about to change.
  std::string card = arguments.front();
  std::string why;
  if (AbsoluteFolderPath(arguments.front(), card, why) != 0 || ReadableFolder(card, why) != 0) {
    return Refuse(desktop, "The card folder " + card + " cannot be read: " + why + ".");
  }
  return InUserSettingsFolder(card, desktop);
}

}  // namespace pixferry
