// make_demo_card FOLDER: makes a camera card to try Pixferry on (see democard.h).
#include <QGuiApplication>
#include <exception>
#include <iostream>

#include "scripts/democard/democard.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_demo_card FOLDER\n";
    return 2;
  }
  // Drawing text needs a GUI application, not a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  try {
    const democard::DemoCard card = democard::MakeDemoCard(argv[1]);
    std::cout << "demo card:   " << card.card.string() << "\n"
              << "copies go to " << card.cases.string() << "\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "make_demo_card: " << error.what() << "\n";
    return 1;
  }
}
