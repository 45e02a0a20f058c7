#include "app/StartupFolders.h"

#include "platform/userfolders.h"

namespace pixferry {
namespace {

StartupFolders Refuse(Desktop& desktop, const std::string& text) {
  desktop.MsgBox(text, mb::kStop, "");
  return {false, {}};
}

}  // namespace

StartupFolders PrepareStartupFolders(const std::vector<std::string>& arguments, Desktop& desktop) {
  if (arguments.empty()) return {};
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

}  // namespace pixferry
