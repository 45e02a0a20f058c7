// The whole program on Win32: both windows, their controls, the desktop services and the core
// bound over them. WinMain makes one; the front-end tests make their own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/HandlerQueue.h"
#include "app/MainControls.h"
#include "app/frmMain.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Desktop.h"
#include "ui/win32/Form.h"
#include "ui/win32/Picture.h"

namespace pixferry::win32 {

// The frames: both are fixed tool windows without minimise or maximise boxes; the main window
// still has a taskbar button, since it is the program.
FormStyle MainWindowStyle();
FormStyle ViewerWindowStyle();

class Program : public MainControlSet<Win32TextBox, Win32Button, Win32PictureBox> {
 public:
  explicit Program(HINSTANCE instance);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Takes the command line's words after the program's name: none, or the card's root (see
  // app/StartupFolders.h). False when the program must end; the box has told why.
  bool TakeArguments(const std::vector<std::string>& arguments);

  // Creates the main window, runs the load step before it is first shown, then shows it.
  void Start(int show_command = SW_SHOWNORMAL);

  GdiplusSession gdiplus;

  // The controls (the main window's are the base) outlive the windows that show them.
  Win32PictureBox viewer_picture;

  Win32Form main_window;
  Win32Form viewer_window;

  Win32Desktop desktop;
  frmShowPhoto viewer;
  frmMain form;
  // Every handler of both windows runs through here, so none starts inside another.
  HandlerQueue handlers;

 private:
  void CloseViewer();
};

// The words of a command line after the program's name, as UTF-8: `pixferry.exe Z:\path\to\card`
// gives the card's path, with the quoting rules every Windows program uses.
std::vector<std::string> CommandLineArguments(const wchar_t* command_line);

// Runs the messages of the thread until the program ends; Tab and the arrow keys move between
// controls as in a dialog. Returns the exit code.
int RunMessageLoop();

}  // namespace pixferry::win32
