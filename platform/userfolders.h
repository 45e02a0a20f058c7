// The folders a start from the card involves: the card handed over on the command line and the
// per-user folder that then holds the settings. Each failure comes back as the system's own
// words, for a message that names the folder and the reason.
#pragma once

#include <string>

namespace pixferry {

// Whether a start without a card, in a folder that holds neither a card's DCIM nor paths.dat,
// keeps its settings in the per-user folder. On Linux a menu starts programs in the home folder,
// which is no place for paths.dat; a Windows program is started where it and its paths.dat lie.
#ifdef _WIN32
inline constexpr bool kLooseStartUsesUserSettings = false;
#else
inline constexpr bool kLooseStartUsesUserSettings = true;
#endif

// path made absolute against the current directory, as written otherwise: links are not
// resolved and trailing separators other than a root's are dropped.
std::string AbsoluteFolderPath(const std::string& path);

// Empty when path is a folder whose entries can be read; otherwise the system's reason.
std::string FolderReadFailure(const std::string& path);

struct SettingsHome {
  std::string path;     // the folder, when one could be worked out
  std::string failure;  // otherwise why not
};

// The per-user folder for the settings: $XDG_CONFIG_HOME/pixferry, else ~/.config/pixferry
// (POSIX); %APPDATA%\Pixferry (Windows). Nothing is created.
SettingsHome PerUserSettingsFolder();

// Creates path and any missing folder above it. Empty when path is then a folder; otherwise the
// system's reason.
std::string MakeFolderPath(const std::string& path);

// Empty when the current directory is now path; otherwise the system's reason.
std::string ChangeCurrentDirectory(const std::string& path);

}  // namespace pixferry
