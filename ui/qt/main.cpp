// Pixferry on the Linux desktop.
#include <QApplication>

#include "ui/qt/Fonts.h"
#include "ui/qt/Program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixferry"));
  pixferry::qt::LoadFonts();
  pixferry::qt::Program program;
  program.Start();
  return QApplication::exec();
}
