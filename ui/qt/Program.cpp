#include "ui/qt/Program.h"

#include <QtGlobal>

#include "app/Dispatch.h"
#include "app/FormLayouts.h"
#include "app/StartupFolders.h"
#include "ui/qt/Wiring.h"

// The resources are compiled into a static library: their registration has to be asked for,
// and only from outside any namespace.
static void InitQtResources() {
  Q_INIT_RESOURCE(resources);
}

namespace pixferry::qt {
namespace {

constexpr Qt::WindowFlags kFixedFrame = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint;

MainControls BindMain(Program& p) {
  return MainControls{p.main_window,       p.txtIncidentNumber, p.txtUser,       p.txtDate,
                      p.txtSource,         p.txtTarget,         p.txtMessage,    p.cmdSource,
                      p.cmdStartCopy,      p.cmdDelete,         p.cmdClose,      p.cmdSourceFirst,
                      p.cmdSourcePrevious, p.cmdSourceNext,     p.cmdSourceLast, p.cmdViewSource,
                      p.cmdTargetFirst,    p.cmdTargetPrevious, p.cmdTargetNext, p.cmdTargetLast,
                      p.cmdViewTarget,     p.imgSource};
}

}  // namespace

// A tool-window flag would cost the main window its taskbar button on most Linux desktops, so
// only the viewer gets one.
FormStyle MainWindowStyle() {
  return FormStyle{Qt::Window | kFixedFrame, QStringLiteral(":/pixferry.png"),
                   QStringLiteral(":/background.jpg")};
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
      txtIncidentNumber(main_window, "txtIncidentNumber"),
      txtUser(main_window, "txtUser"),
      txtDate(main_window, "txtDate"),
      txtSource(main_window, "txtSource"),
      txtTarget(main_window, "txtTarget"),
      txtMessage(main_window, "txtMessage"),
      cmdSource(main_window, "cmdSource"),
      cmdStartCopy(main_window, "cmdStartCopy"),
      cmdDelete(main_window, "cmdDelete"),
      cmdClose(main_window, "cmdClose"),
      cmdSourceFirst(main_window, "cmdSourceFirst"),
      cmdSourcePrevious(main_window, "cmdSourcePrevious"),
      cmdSourceNext(main_window, "cmdSourceNext"),
      cmdSourceLast(main_window, "cmdSourceLast"),
      cmdViewSource(main_window, "cmdViewSource"),
      cmdTargetFirst(main_window, "cmdTargetFirst"),
      cmdTargetPrevious(main_window, "cmdTargetPrevious"),
      cmdTargetNext(main_window, "cmdTargetNext"),
      cmdTargetLast(main_window, "cmdTargetLast"),
      cmdViewTarget(main_window, "cmdViewTarget"),
      imgSource(main_window, "imgSource"),
      viewer_picture(viewer_window, "imgSource"),
      desktop(main_window),
      viewer(viewer_window, viewer_picture, desktop),
      form(BindMain(*this), viewer, desktop) {
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
