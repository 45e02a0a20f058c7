// Pixferry on the Linux desktop: `pixferry` works on the folder it is started in, `pixferry CARD`
// on the card's root folder with its settings in the user's settings folder.
#include <QApplication>
#include <string>
#include <vector>

#include "app/StartupFolders.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/Program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixferry"));
  // Ties the windows to the menu entry (Wayland's app id; X11 desktops match the entry's
  // StartupWMClass to the class "Pixferry"), so the task bar shows the entry's name and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.pixferry.Pixferry"));
  pixferry::qt::LoadFonts();
  pixferry::qt::Program program;
  // What Qt left of the command line (it takes its own options out), as the system's bytes: a
  // card's name need not be UTF-8.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!program.TakeArguments(arguments)) return pixferry::kStartupFailedStatus;
  program.Start();
  return QApplication::exec();
}
