#include "ui/win32/Desktop.h"

#include <knownfolders.h>
#include <shlobj.h>

#include "platform/win32/wide.h"
#include "ui/win32/Form.h"
#include "ui/win32/Handles.h"
#include "ui/win32/OpenWithProgram.h"
#include "ui/win32/PickFolder.h"

namespace pixferry::win32 {

namespace {

// Often enough that the system never calls the window hung (it waits 5 seconds) and the status
// box's progress shows, seldom enough to cost a long job nothing.
constexpr ULONGLONG kAliveEveryMs = 100;
// Bounds each kind of message per call, should a window keep asking to be painted.
constexpr int kMostMessages = 64;

// A known folder's path as the shell keeps it (moved or redirected ones included), without
// creating it; the empty text when the shell has none.
std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR raw = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &raw);
  const CoTaskMemPtr<wchar_t> path(raw);
  return SUCCEEDED(result) && path ? Narrow(path.get()) : std::string();
}

}  // namespace

static_assert(mb::kOkOnly == MB_OK && mb::kYesNo == MB_YESNO && mb::kStop == MB_ICONHAND &&
              mb::kQuestion == MB_ICONQUESTION && mb::kExclamation == MB_ICONEXCLAMATION &&
              mb::kInformation == MB_ICONASTERISK && mb::kDefaultButton2 == MB_DEFBUTTON2);
static_assert(mb::kAnswerOk == IDOK && mb::kAnswerYes == IDYES && mb::kAnswerNo == IDNO);

int ShowMessageBox(std::string_view text, int style, std::string_view title, HWND owner_fallback) {
  const std::wstring body = Widen(text);
  const std::wstring caption = Widen(title.empty() ? kAppTitle : title);
  const UINT flags =
      static_cast<UINT>(style & (mb::kButtonsMask | mb::kIconMask | mb::kDefaultMask));
  HWND owner = ::GetActiveWindow();
  if (!owner) owner = owner_fallback;
  const int answer = ::MessageBoxW(owner, body.c_str(), caption.c_str(), flags);
  const bool question = (style & mb::kButtonsMask) == mb::kYesNo;
  switch (answer) {
    case IDYES:
      return mb::kAnswerYes;
    case IDNO:
      return mb::kAnswerNo;
    case IDOK:
      return mb::kAnswerOk;
    // The box could not be shown: a question is never answered Yes by default.
    default:
      return question ? mb::kAnswerNo : mb::kAnswerOk;
  }
}

HWND Win32Desktop::MainWindowIfShown() const {
  const HWND main = main_window_.hwnd();
  return main && ::IsWindowVisible(main) ? main : nullptr;
}

int Win32Desktop::MsgBox(std::string_view text, int style, std::string_view title) {
  return ShowMessageBox(text, style, title, MainWindowIfShown());
}

std::string Win32Desktop::PickFolder(const std::string& start_folder, const std::string& title) {
  return mdlBrowseFolderByPath::PickFolder(main_window_.hwnd(), start_folder, title);
}

std::string Win32Desktop::PicturesFolder() {
  return KnownFolder(FOLDERID_Pictures);
}

std::string Win32Desktop::HomeFolder() {
  return KnownFolder(FOLDERID_Profile);
}

void Win32Desktop::OpenWithProgram(const std::string& program, const std::string& parameters,
                                   const std::string& directory) {
  win32::OpenWithProgram(program, parameters, directory);
}

void Win32Desktop::KeepAlive() {
  const ULONGLONG now = ::GetTickCount64();
  if (now - last_alive_ < kAliveEveryMs) return;
  last_alive_ = now;
  // Any look at the queue answers what other threads and the system send (and tells the system
  // the thread is alive); then only paints and timers run. Clicks, keys and every other posted
  // message (a close request included) stay queued for the message loop after the job.
  MSG msg{};
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  for (const UINT message : {WM_PAINT, WM_TIMER}) {
    for (int i = 0; i < kMostMessages && ::PeekMessageW(&msg, nullptr, message, message, PM_REMOVE);
         ++i) {
      ::DispatchMessageW(&msg);
    }
  }
}

}  // namespace pixferry::win32
