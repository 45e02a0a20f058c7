#include "ui/win32/Program.h"

#include <shellapi.h>

#include <memory>

#include "app/Dispatch.h"
#include "app/FormLayouts.h"
#include "app/StartupFolders.h"
#include "platform/win32/wide.h"
#include "ui/win32/resource.h"

namespace pixferry::win32 {
namespace {

constexpr DWORD kToolFrame = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

}  // namespace

FormStyle MainWindowStyle() {
  return {kToolFrame, WS_EX_TOOLWINDOW | WS_EX_APPWINDOW, IDI_PIXFERRY, IDR_BACKGROUND};
}

FormStyle ViewerWindowStyle() {
  return {kToolFrame, WS_EX_TOOLWINDOW, 0, 0};
}

Program::Program(HINSTANCE instance)
    : main_window(instance, MainFormLayout(), MainWindowStyle()),
      viewer_window(instance, ViewerFormLayout(), ViewerWindowStyle()),
      desktop(main_window),
      viewer(viewer_window, viewer_picture, desktop),
      form(MainControls{Interfaces(), main_window}, viewer, desktop) {
  BindTo(main_window);
  viewer_window.Bind("imgSource", viewer_picture);
  viewer_window.SetDefaultOwner(&main_window);

  main_window.on_event = [this](std::string_view control, Event event) {
    handlers.Run([this, control, event] { Dispatch(form, control, event); });
  };
  // The close box ends the program exactly as Close does, the viewer included; during a job it
  // waits for the job's end.
  main_window.on_close_box = [this] {
    handlers.Run([this] { RunTrapped(form, &frmMain::cmdClose_Click); });
  };
  main_window.on_destroyed = [] { ::PostQuitMessage(0); };

  // Each of the viewer's four buttons, and its close box, only hides it.
  viewer_window.on_event = [this](std::string_view, Event event) {
    if (event == Event::Click) handlers.Run([this] { CloseViewer(); });
  };
  viewer_window.on_close_box = [this] { handlers.Run([this] { CloseViewer(); }); };
}

bool Program::TakeArguments(const std::vector<std::string>& arguments) {
  const StartupFolders folders = PrepareStartupFolders(arguments, desktop);
  form.strCardDirectory = folders.card;
  return folders.ok;
}

void Program::Start(int show_command) {
  main_window.Load();
  RunTrapped(form, &frmMain::Form_Load);
  if (main_window.hwnd()) {
    ::ShowWindow(main_window.hwnd(), show_command);
    ::UpdateWindow(main_window.hwnd());
  }
}

void Program::CloseViewer() {
  try {
    viewer.cmdClose_Click();
  } catch (...) {
    // cmdClose_Click reports its own failures.
  }
}

std::vector<std::string> CommandLineArguments(const wchar_t* command_line) {
  std::vector<std::string> arguments;
  int count = 0;
  // An empty command line would give the running program's own path as the only word.
  if (command_line == nullptr || *command_line == L'\0') return arguments;
  struct LocalFreeDeleter {
    void operator()(wchar_t** block) const { ::LocalFree(block); }
  };
  const std::unique_ptr<wchar_t*, LocalFreeDeleter> words(
      ::CommandLineToArgvW(command_line, &count));
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(words.get()[i]));
  return arguments;
}

int RunMessageLoop() {
  MSG msg{};
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got < 0) return 1;
    const HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && Win32Form::IsForm(root) && ::IsDialogMessageW(root, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace pixferry::win32
