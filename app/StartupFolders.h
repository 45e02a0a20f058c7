// The folders a start works on. Started in a card's root, or in a folder holding paths.dat, the
// current directory is both the card's root and the home of paths.dat. Started with the card's
// root as its one argument (as a desktop does when a card is inserted), the two are split: the
// card is evidence and is never written to, so the settings live in the user's own settings
// folder, which becomes the current directory before anything else. On Linux a start without an
// argument anywhere else (the menu starts programs in the home folder) splits them the same way,
// with the folder started in where the card's photo folder is looked for.
#pragma once

#include <string>
#include <vector>

#include "app/Screen.h"

namespace pixferry {

struct StartupFolders {
  bool ok = true;
  // Where the card's photo folder is looked for; empty when the current directory is the card.
  std::string card;
};

// arguments are the command line's words after the program's name. On a failure (a card that
// cannot be read, a settings folder that cannot be made, more than one argument) shows a box
// naming the folder and the system's reason and returns ok = false: the program then ends with
// a non-zero status, having written nothing.
StartupFolders PrepareStartupFolders(const std::vector<std::string>& arguments, Desktop& desktop);

// The exit status of a start that could not go on.
inline constexpr int kStartupFailedStatus = 2;

}  // namespace pixferry
