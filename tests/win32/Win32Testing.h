// Helpers of the Win32 front-end tests: the thread's message pump, dialogs answered from inside
// their own modal loop, and a program started on a camera card in a fresh folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/wide.h"
#include "tests/support/tempdir.h"
#include "ui/win32/Program.h"

namespace pixferry::win32::testing {

using pixferry::testing::TempDir;

// Runs the thread's pending messages for at least ms milliseconds; a quit request is kept.
inline void Pump(int ms = 0) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
  for (MSG msg{};; ::Sleep(5)) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return ::PostQuitMessage(static_cast<int>(msg.wParam));
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (::GetTickCount64() >= end) return;
  }
}

inline std::string WindowTextOf(HWND window) {
  wchar_t text[4096] = {};
  ::GetWindowTextW(window, text, 4096);
  return Narrow(text);
}

struct DialogSeen {
  std::string title, text;  // text: the message box's, or the folder dialog's title line
  bool has_yes, has_no, has_icon;
  HWND owner;
};

// Answers the dialogs this thread opens, from a thread timer that the dialog's own modal loop
// runs: a tenth of a second after a dialog shows, it presses the next button given (IDOK, IDYES,
// IDNO, IDCANCEL). A dialog with no button left fails the test and is cancelled, so a test fails
// instead of hanging.
class DialogAnswerer {
 public:
  DialogAnswerer() {
    current = this;
    timer_ = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
      if (current) current->OnTick();
    });
  }
  ~DialogAnswerer() {
    ::KillTimer(nullptr, timer_);
    current = nullptr;
  }
  void Then(int button) { buttons_.push_back(button); }
  // Given to Then: presses Return in the dialog instead of a button, as an operator would.
  static constexpr int kPressReturn = -1;

  std::vector<DialogSeen> seen;

 private:
  void OnTick() {
    if (!::IsWindow(answered_)) answered_ = nullptr;
    // A visible dialog of this thread other than the one answered last, which may take a tick to
    // close.
    HWND dialog = nullptr;
    while ((dialog = ::FindWindowExW(nullptr, dialog, L"#32770", nullptr)) &&
           (dialog == answered_ || !::IsWindowVisible(dialog) ||
            ::GetWindowThreadProcessId(dialog, nullptr) != ::GetCurrentThreadId())) {
    }
    if (!dialog || (dialog == shown_ && ++ticks_ < 5)) return;
    if (dialog != shown_) {
      shown_ = dialog;
      ticks_ = 0;
      wchar_t text[4096] = {};
      if (!::GetDlgItemTextW(dialog, 0xFFFF, text, 4096)) {
        ::GetDlgItemTextW(dialog, 0x3742, text, 4096);
      }
      bool icon = false;  // its control is 20 on Windows and 0x440 in Wine's message box
      for (const HWND i : {::GetDlgItem(dialog, 20), ::GetDlgItem(dialog, 0x440)}) {
        icon = icon || (i && ::IsWindowVisible(i) && ::SendMessageW(i, STM_GETICON, 0, 0));
      }
      seen.push_back({WindowTextOf(dialog), Narrow(text), ::GetDlgItem(dialog, IDYES) != nullptr,
                      ::GetDlgItem(dialog, IDNO) != nullptr, icon, ::GetWindow(dialog, GW_OWNER)});
      return;
    }
    if (buttons_.empty()) {
      ADD_FAILURE() << "unexpected dialog \"" << seen.back().title << "\": " << seen.back().text;
      buttons_.push_back(seen.back().has_no ? IDNO : IDCANCEL);
    }
    if (buttons_.front() == kPressReturn) {
      const HWND focus = ::GetFocus();
      const HWND target = focus && ::IsChild(dialog, focus) ? focus : dialog;
      ::PostMessageW(target, WM_KEYDOWN, VK_RETURN, 1);
      ::PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC0000001);
    } else {
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttons_.front(), BN_CLICKED), 0);
    }
    buttons_.pop_front();
    answered_ = dialog;
    shown_ = nullptr;
  }

  static inline thread_local DialogAnswerer* current = nullptr;
  UINT_PTR timer_ = 0;
  std::deque<int> buttons_;
  HWND answered_ = nullptr, shown_ = nullptr;
  int ticks_ = 0;
};

// Ends the program; a destroyed main window leaves a quit request, which would end the next modal
// loop, so it is dropped.
inline void EndProgram(std::unique_ptr<Program>& program) {
  program.reset();
  Pump();
  for (MSG msg{}; ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);) {
  }
}

// A program started in a folder made as a camera card: DCIM\100MEDIA with three photos and a
// paths.dat that sends copies to a Cases folder beside it and opens photos in the viewer.
struct ProgramFixture {
  explicit ProgramFixture(bool with_card = true) {
    pixferry::testing::MakeFolders(cases);
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
      if (with_card)
        pixferry::testing::WriteFile(media + "/" + name, pixferry::testing::JpegBytes());
    }
    using pixferry::testing::RecordBytes;
    pixferry::testing::WriteFile(
        dir / "paths.dat",
        RecordBytes(cases) + RecordBytes("Internal") + RecordBytes("False") + RecordBytes("False"));
    program->Start(SW_SHOWNORMAL);
    Pump(50);
  }
  ~ProgramFixture() { EndProgram(program); }
  HWND Main() const { return program->main_window.hwnd(); }
  HWND Viewer() const { return program->viewer_window.hwnd(); }
  HWND MainControl(std::string_view name) const { return program->main_window.ControlWindow(name); }

  TempDir dir;
  std::string media = dir / "DCIM/100MEDIA", cases = dir / "Cases";
  DialogAnswerer answers;
  pixferry::testing::ScopedCurrentDirectory cd{dir.path()};
  std::unique_ptr<Program> program = std::make_unique<Program>(::GetModuleHandleW(nullptr));
};

}  // namespace pixferry::win32::testing
