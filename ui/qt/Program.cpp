#include "ui/qt/Program.h"

#include <QIcon>
#include <QSize>
#include <QtGlobal>

#include "app/Dispatch.h"
#include "app/FormLayouts.h"
#include "app/StartupFolders.h"
#include "ui/qt/Wiring.h"

// The resources are compiled into a static library: their registration has to be asked for,
// and only from outside any namespace.
static void InitQtResources() {
  Q_INIT_RESOURCE(resources);
  Q_INIT_RESOURCE(icons);
}

namespace pixferry::qt {
namespace {

constexpr Qt::WindowFlags kFixedFrame = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint;

// The desktop entry's icon, each size drawn for that size, so the title bar and the task bar
// show the same picture as the menu.
QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1x%1/org.pixferry.Pixferry.png").arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace

// A tool-window flag would cost the main window its taskbar button on most Linux desktops, so
// only the viewer gets one.
FormStyle MainWindowStyle() {
  return FormStyle{Qt::Window | kFixedFrame, ProgramIcon(), QStringLiteral(":/background.jpg")};
}

FormStyle ViewerWindowStyle() {
  return FormStyle{Qt::Tool | kFixedFrame, {}, {}};
}

void InitResources() {
  InitQtResources();
}

Program::Program()
    : main_window((InitResources(), MainFormLayout()), MainWindowStyle()),
      viewer_window(ViewerFormLayout(), ViewerWindowStyle()),
      desktop(main_window),
      viewer(viewer_window, viewer_picture, desktop),
      form(MainControls{Interfaces(), main_window}, viewer, desktop) {
  BindTo(main_window);
  viewer_window.Bind("imgSource", viewer_picture);

  main_window.SetOnLoad([this](FormWidget& widget) {
    ConnectEvents(widget, MainFormEvents(), [this](const EventBinding& row) {
      handlers.Run([this, &row] { Dispatch(form, row.control, row.event); });
    });
  });
  // The close box ends the program exactly as Close does, the viewer included; during a job it
  // waits for the job's end.
  main_window.SetCloseRequest(
      [this] { handlers.Run([this] { RunTrapped(form, &frmMain::cmdClose_Click); }); });

  const auto close_viewer = [this] {
    handlers.Run([this] {
      try {
        viewer.cmdClose_Click();
      } catch (...) {
        // cmdClose_Click reports its own failures.
      }
    });
  };
  viewer_window.SetOnLoad(
      [close_viewer](FormWidget& widget) { ConnectViewerButtons(widget, close_viewer); });
  viewer_window.SetCloseRequest(close_viewer);
}

bool Program::TakeArguments(const std::vector<std::string>& arguments) {
  const StartupFolders folders = PrepareStartupFolders(arguments, desktop);
  form.strCardDirectory = folders.card;
  return folders.ok;
}

void Program::Start() {
  main_window.Load();
  RunTrapped(form, &frmMain::Form_Load);
  main_window.Show(nullptr);
}

}  // namespace pixferry::qt
