// In-memory controls and desktop: the screen is the only thing the core tests fake.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainControls.h"
#include "app/Screen.h"
#include "app/frmMain.h"

namespace pixferry::testing {

class FakeTextBox : public TextBox {
 public:
  std::string Text() const override { return text; }
  void SetText(std::string_view t) override { text = std::string(t); }
  void Refresh() override { refreshed.push_back(text); }

  std::string text;
  std::vector<std::string> refreshed;  // the text at each repaint, in order
};

class FakeButton : public Button {
 public:
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool e) override { enabled = e; }
  bool enabled = true;
};

// Accepts a file that starts like a JPEG (FF D8 FF), as a decoder would; the real decoding is
// the front ends' and is tested there.
class FakePictureBox : public PictureBox {
 public:
  void LoadPicture(const std::string& path) override;
  bool HasPicture() const override { return !picture.empty(); }
  std::string picture;  // path of the picture on show
  int loads = 0;        // successful loads
};

class FakeWindow : public Window {
 public:
  void Load() override { loaded = true; }
  bool IsLoaded() const override { return loaded; }
  void Show(Window* w) override {
    loaded = visible = true;
    owner = w;
  }
  void Hide() override { visible = false; }
  bool IsVisible() const override { return visible; }
  void Unload() override { loaded = visible = false; }

  bool loaded = false;
  bool visible = false;
  Window* owner = nullptr;
};

struct MessageBoxCall {
  std::string text;
  int style;
  std::string title;  // as passed; empty means the program's title
  friend bool operator==(const MessageBoxCall&, const MessageBoxCall&) = default;
};
// The boxes shown, in order.
using Boxes = std::vector<MessageBoxCall>;

// Readable failures when tests compare boxes.
inline void PrintTo(const MessageBoxCall& call, std::ostream* os) {
  *os << "{\"" << call.text << "\", " << call.style << ", \"" << call.title << "\"}";
}

struct ProgramCall {
  std::string program, parameters, directory;
  friend bool operator==(const ProgramCall&, const ProgramCall&) = default;
};

struct PickCall {
  std::string start_folder, title;
};

// Records every message box and answers from a script. A box with Yes/No and no scripted
// answer fails the test: an unexpected question is a fault.
class FakeDesktop : public Desktop {
 public:
  int MsgBox(std::string_view text, int style, std::string_view title) override;
  std::string PickFolder(const std::string& start_folder, const std::string& title) override;
  std::string PicturesFolder() override { return pictures; }
  std::string HomeFolder() override { return home; }
  void OpenWithProgram(const std::string& program, const std::string& parameters,
                       const std::string& directory) override {
    programs.push_back({program, parameters, directory});
  }
  void KeepAlive() override { ++keep_alives; }

  Boxes boxes;
  std::deque<int> answers;        // answers for Yes/No boxes, in order
  std::deque<std::string> picks;  // results of the folder picker, in order
  std::vector<PickCall> pick_calls;
  std::string pictures, home;  // the user's folders the desktop names
  std::vector<ProgramCall> programs;
  // Called for every box before it is answered (tests use it to change files mid-run).
  std::function<void(const MessageBoxCall&)> on_box;
  int keep_alives = 0;
};

// A main window with its viewer built from fakes, in the state a front end creates it in.
struct Harness : MainControlSet<FakeTextBox, FakeButton, FakePictureBox> {
  Harness();

  FakeDesktop desktop;
  FakeWindow main_window, viewer_window;
  FakePictureBox viewer_picture;
  std::unique_ptr<frmShowPhoto> viewer;
  std::unique_ptr<frmMain> form;

  bool SourceButtonsEnabled() const;  // all five enabled (fails loudly when they disagree)
  bool TargetButtonsEnabled() const;
};

// A job of ms milliseconds that keeps the window alive between its short steps, as a copy does
// between files; each_step runs after each.
void KeepAliveFor(
    Desktop& desktop, int ms, const std::function<void()>& each_step = [] {});

// Records every photo, video and sound recording below root (any letter case, links not followed)
// as copied and verified as it is now, so that Delete goes straight to its own question.
void MarkCopied(frmMain& form, const std::string& root);

}  // namespace pixferry::testing
