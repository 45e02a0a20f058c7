// Pixferry for Windows: one window over the camera card in the current directory, or over the
// card named on the command line (`pixferry.exe E:\`), with its settings in %APPDATA%\Pixferry.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/StartupFolders.h"
#include "ui/win32/Handles.h"
#include "ui/win32/Program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  const pixferry::win32::ComSession com;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  pixferry::win32::Program program(instance);
  if (!program.TakeArguments(pixferry::win32::CommandLineArguments(::GetCommandLineW()))) {
    return pixferry::kStartupFailedStatus;
  }
  program.Start(show_command);
  return pixferry::win32::RunMessageLoop();
}
