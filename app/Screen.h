// The seam between the core and a front end: the controls by what the core does with them, and
// the services a desktop provides. The Qt and Win32 front ends implement these; tests implement
// them in memory. Every text passed here is plain text, never markup or a mnemonic.
#pragma once

#include <string>
#include <string_view>

namespace pixferry {

// Message box styles and answers, combined by addition (Yes/No + question = 36).
namespace mb {
inline constexpr int kOkOnly = 0;
inline constexpr int kYesNo = 4;
inline constexpr int kStop = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
// The second button (No) is the default: Return answers No.
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kButtonsMask = 7;
inline constexpr int kIconMask = 112;
inline constexpr int kDefaultMask = 768;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
}  // namespace mb

inline constexpr std::string_view kAppTitle = "Pixferry";

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;
  // Repaints at once: the copy runs inside a click, so nothing else would show its progress.
  virtual void Refresh() = 0;
};

class Button {
 public:
  virtual ~Button() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class PictureBox {
 public:
  virtual ~PictureBox() = default;
  // Decodes the picture file and shows it stretched to the box. Throws RuntimeError (53 file
  // not found, 76 path not found, 481 invalid picture) and then keeps the previous picture.
  virtual void LoadPicture(const std::string& path) = 0;
  virtual bool HasPicture() const = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  // Creates the window without showing it; does nothing when it exists already.
  virtual void Load() = 0;
  virtual bool IsLoaded() const = 0;
  // Shows it modeless, owned by owner (nullptr: no owner); loads it first when needed.
  virtual void Show(Window* owner) = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // Destroys the window; the program ends when no window is left.
  virtual void Unload() = 0;
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // A modal message box; an empty title shows kAppTitle. Returns one of mb::kAnswer*.
  virtual int MsgBox(std::string_view text, int style, std::string_view title) = 0;
  // The folder picker, opened with start_folder selected. Returns the chosen folder without a
  // trailing separator (a root keeps its own), or the empty text when the operator cancelled.
  virtual std::string PickFolder(const std::string& start_folder, const std::string& title) = 0;
  // The user's own folders as the desktop names them: where pictures go, and the home folder.
  // Neither need exist; the empty text when the desktop knows none.
  virtual std::string PicturesFolder() { return {}; }
  virtual std::string HomeFolder() { return {}; }
  // Starts program with parameters in directory, maximised where possible, without waiting.
  // Failures are not reported: the caller does not examine the result.
  virtual void OpenWithProgram(const std::string& program, const std::string& parameters,
                               const std::string& directory) = 0;
  // Lets the window system see that the window is alive during a long job (a copy, a deletion):
  // repaints and answers the system's pings, but runs no input and no other handler, so clicks
  // and keys wait until the job ends. Cheap enough to call between any two files or entries.
  virtual void KeepAlive() {}
};

}  // namespace pixferry
