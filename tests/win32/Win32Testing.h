// Helpers of the Win32 front-end tests: the thread's message pump, dialogs answered from inside
// their own modal loop, and a camera card with its settings in a fresh folder.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"
#include "ui/win32/Program.h"

namespace pixferry::win32::testing {

using pixferry::testing::TempDir;

// Runs the thread's pending messages, for at least ms milliseconds.
void Pump(int ms = 0);
// Runs messages until condition holds or timeout_ms pass; returns condition().
bool PumpUntil(const std::function<bool()>& condition, int timeout_ms = 5000);
// Takes back the quit request a destroyed main window leaves, which would end the next modal
// loop (a message box) at once.
void DiscardQuit();

std::string WindowTextOf(HWND window);
std::string ClassOf(HWND window);
// The rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child);

struct DialogSeen {
  HWND dialog = nullptr;
  std::string title;
  std::string text;  // a message box's text
  bool has_ok = false, has_yes = false, has_no = false;
  bool has_icon = false;
  HWND owner = nullptr;
};

// Answers the dialogs (window class "#32770") that this thread opens, one scripted action each,
// from a thread timer that the dialog's own modal loop runs. An action returns false to be run
// again at the next tick (it waits for something in the dialog). A dialog with no action left is
// recorded as unexpected and closed, so a test fails instead of hanging.
class DialogAnswerer {
 public:
  using Action = std::function<bool(HWND dialog)>;
  DialogAnswerer();
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  void Then(Action action) { actions_.push_back(std::move(action)); }
  // Presses a button of the dialog (IDOK, IDYES, IDNO, IDCANCEL).
  static Action Press(int id);
  // The folder dialog: presses OK once its tree shows an item whose name ends in leaf selected,
  // or after half a second; *selected becomes leaf, or else what the tree showed.
  static Action PressOkOnceSelected(std::string leaf, std::string* selected = nullptr);

  std::vector<DialogSeen> seen;
  int unexpected = 0;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  UINT_PTR timer_ = 0;
  std::deque<Action> actions_;
  HWND answered_ = nullptr;  // closing may take a tick; it is not answered twice
  HWND waiting_ = nullptr;   // the dialog whose action asked to be run again
};

// Writes paths.dat into folder with the given records.
void WriteSettings(const std::string& folder, const std::vector<std::string>& records);

// A program started in a folder made as a camera card: DCIM\100MEDIA with three photos and a
// paths.dat that sends copies to a Cases folder beside it and opens photos in the viewer.
class ProgramFixture {
 public:
  explicit ProgramFixture(bool with_card = true);
  ~ProgramFixture();

  void Start();
  HWND Main() const { return program->main_window.hwnd(); }
  HWND Viewer() const { return program->viewer_window.hwnd(); }
  HWND MainControl(std::string_view name) const { return program->main_window.ControlWindow(name); }

  TempDir dir;
  std::string media;  // the card's photo folder
  std::string cases;  // the destination root
  DialogAnswerer answers;
  std::unique_ptr<Program> program;

 private:
  std::unique_ptr<pixferry::testing::ScopedCurrentDirectory> cd_;
};

}  // namespace pixferry::win32::testing
