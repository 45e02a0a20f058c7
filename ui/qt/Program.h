// The whole program on Qt: both windows, their controls, the desktop services and the core
// bound over them. main() makes one; the tests make their own.
#pragma once

#include <string>
#include <vector>

#include "app/HandlerQueue.h"
#include "app/MainControls.h"
#include "app/frmMain.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtDesktop.h"

namespace pixferry::qt {

// The frames of the two windows: the main window is an ordinary top-level window (it has a
// taskbar button and ends the program), fixed in size, with no minimise or maximise box; the
// viewer is a tool window owned by the main window.
FormStyle MainWindowStyle();
FormStyle ViewerWindowStyle();

// Makes the background picture and the icon available (Program does it itself).
void InitResources();

class Program : public MainControlSet<QtTextBox, QtButton, QtPictureBox> {
 public:
  Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Takes the command line's words after the program's name: none, or the card's root (see
  // app/StartupFolders.h). False when the program must end; the box has told why.
  bool TakeArguments(const std::vector<std::string>& arguments);

  // Runs the load step before the main window is first shown, then shows it.
  void Start();

  QtWindow main_window;
  QtWindow viewer_window;

  QtPictureBox viewer_picture;

  QtDesktop desktop;
  frmShowPhoto viewer;
  frmMain form;
  // Every handler of both windows runs through here, so none starts inside another.
  HandlerQueue handlers;
};

}  // namespace pixferry::qt
