#include "tests/win32/Win32Testing.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/records.h"
#include "platform/win32/wide.h"

namespace pixferry::win32::testing {
namespace {

// The answerer the thread timer belongs to; a test has one at a time.
thread_local DialogAnswerer* t_answerer = nullptr;

struct DialogSearch {
  HWND skip;
  HWND found;
};

BOOL CALLBACK LookAtWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  if (window != search->skip && ::IsWindowVisible(window) && ClassOf(window) == "#32770") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindThreadDialog(HWND skip) {
  DialogSearch search{skip, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), &LookAtWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool HasVisibleIcon(HWND dialog) {
  // The icon's control is 20 on Windows and 0x440 in Wine's message box.
  for (const int id : {20, 0x440}) {
    const HWND icon = ::GetDlgItem(dialog, id);
    if (icon && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0) != 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

void Pump(int ms) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
  do {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Kept for whoever waits for it.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (::GetTickCount64() < end) ::Sleep(5);
  } while (::GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& condition, int timeout_ms) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  while (!condition()) {
    if (::GetTickCount64() >= end) return false;
    Pump(10);
  }
  return true;
}

void DiscardQuit() {
  MSG msg{};
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

std::string WindowTextOf(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return Narrow(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return Narrow(name);
}

RECT ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

DialogAnswerer::DialogAnswerer() {
  t_answerer = this;
  timer_ = ::SetTimer(nullptr, 0, 20, &DialogAnswerer::Tick);
}

DialogAnswerer::~DialogAnswerer() {
  ::KillTimer(nullptr, timer_);
  if (t_answerer == this) t_answerer = nullptr;
}

DialogAnswerer::Action DialogAnswerer::Press(int id) {
  return [id](HWND dialog) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return true;
  };
}

DialogAnswerer::Action DialogAnswerer::PressOkOnceSelected(std::string leaf,
                                                           std::string* selected) {
  auto ticks = std::make_shared<int>(0);
  return [leaf, selected, ticks](HWND dialog) {
    const HWND tree = ::FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
    std::string text;
    if (tree) {
      const auto item =
          reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
      wchar_t buffer[MAX_PATH] = {};
      TVITEMW tv{};
      tv.mask = TVIF_TEXT;
      tv.hItem = item;
      tv.pszText = buffer;
      tv.cchTextMax = MAX_PATH;
      if (item && ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) {
        text = Narrow(buffer);
      }
    }
    // The selection is made while the dialog starts; half a second is plenty to see it.
    const bool shows_leaf = text.size() >= leaf.size() &&
                            text.compare(text.size() - leaf.size(), leaf.size(), leaf) == 0;
    if (!shows_leaf && ++*ticks < 25) return false;
    if (selected) *selected = shows_leaf ? leaf : text;
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  };
}

void CALLBACK DialogAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (t_answerer) t_answerer->OnTick();
}

void DialogAnswerer::OnTick() {
  if (answered_ && !::IsWindow(answered_)) answered_ = nullptr;
  if (waiting_ && !::IsWindow(waiting_)) waiting_ = nullptr;
  if (waiting_) {
    if (actions_.front()(waiting_)) {
      actions_.pop_front();
      answered_ = waiting_;
      waiting_ = nullptr;
    }
    return;
  }
  const HWND dialog = FindThreadDialog(answered_);
  if (!dialog) return;
  DialogSeen s;
  s.dialog = dialog;
  s.title = WindowTextOf(dialog);
  wchar_t text[4096] = {};
  ::GetDlgItemTextW(dialog, 0xFFFF, text, 4096);
  s.text = Narrow(text);
  s.has_ok = ::GetDlgItem(dialog, IDOK) != nullptr;
  s.has_yes = ::GetDlgItem(dialog, IDYES) != nullptr;
  s.has_no = ::GetDlgItem(dialog, IDNO) != nullptr;
  s.has_icon = HasVisibleIcon(dialog);
  s.owner = ::GetWindow(dialog, GW_OWNER);
  seen.push_back(s);
  answered_ = dialog;
  if (actions_.empty()) {
    ++unexpected;
    ADD_FAILURE() << "unexpected dialog \"" << s.title << "\": " << s.text;
    Press(s.has_no ? IDNO : (s.has_ok ? IDOK : IDCANCEL))(dialog);
    return;
  }
  if (actions_.front()(dialog)) {
    actions_.pop_front();
  } else {
    answered_ = nullptr;
    waiting_ = dialog;
  }
}

void WriteSettings(const std::string& folder, const std::vector<std::string>& records) {
  RecordFile file(folder + "\\paths.dat", RecordFile::Mode::WriteOnly);
  for (std::size_t i = 0; i < records.size(); ++i) {
    file.Write(static_cast<int>(i + 1), records[i]);
  }
  file.Close();
}

ProgramFixture::ProgramFixture(bool with_card) {
  media = dir / "DCIM/100MEDIA";
  cases = dir / "Cases";
  pixferry::testing::MakeFolders(cases);
  if (with_card) {
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
      pixferry::testing::WriteFile(media + "\\" + name, pixferry::testing::JpegBytes());
    }
  }
  WriteSettings(dir.path(), {cases, "Internal", "False", "False"});
  cd_ = std::make_unique<pixferry::testing::ScopedCurrentDirectory>(dir.path());
  program = std::make_unique<Program>(::GetModuleHandleW(nullptr));
}

ProgramFixture::~ProgramFixture() {
  program.reset();
  Pump();
  DiscardQuit();
}

void ProgramFixture::Start() {
  program->Start(SW_SHOWNORMAL);
  Pump(50);
}

}  // namespace pixferry::win32::testing
