// The folders a start from the card involves: the card handed over on the command line and the
// per-user folder that then holds the settings.
#pragma once

#include <string>

#include "platform/files.h"

namespace pixferry {

// Whether a start without a card, in a folder that holds neither a card's DCIM nor paths.dat,
// keeps its settings in the per-user folder. On Linux a menu starts programs in the home folder,
// which is no place for paths.dat; a Windows program is started where it and its paths.dat lie.
#ifdef _WIN32
inline constexpr bool kLooseStartUsesUserSettings = false;
#else
inline constexpr bool kLooseStartUsesUserSettings = true;
#endif

// Each function here returns 0 or a run-time error number, as every platform call does, and on a
// failure sets reason to the system's own words for it, which the start-up's messages show.

// path made absolute against the current directory, as written otherwise: links are not
// resolved and trailing separators other than a root's are dropped.
int AbsoluteFolderPath(const std::string& path, std::string& absolute, std::string& reason);

// 0 when path is a folder whose entries can be read.
int ReadableFolder(const std::string& path, std::string& reason);

// The per-user folder for the settings: $XDG_CONFIG_HOME/pixferry, else ~/.config/pixferry
// (POSIX); %APPDATA%\Pixferry (Windows). Nothing is created. kNotThere when no variable names
// one, reason saying which.
int PerUserSettingsFolder(std::string& folder, std::string& reason);

// Creates path and any missing folder above it; 0 when path is then a folder.
int MakeFolderPath(const std::string& path, std::string& reason);

int ChangeCurrentDirectory(const std::string& path, std::string& reason);

}  // namespace pixferry
