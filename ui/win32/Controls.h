// The core's controls on real Win32 child windows. Each object outlives its window: it keeps
// its state while the window does not exist and gives it to the window when the form is loaded.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/FormLayouts.h"
#include "app/Screen.h"
#include "ui/win32/Picture.h"

namespace pixferry::win32 {

class Win32Control {
 public:
  virtual ~Win32Control() = default;
  HWND hwnd() const { return hwnd_; }
  // The state the layout table gives at creation.
  virtual void Initialise(const ControlLayout& desc) = 0;
  // The window was created: it takes the object's state.
  virtual void Attach(HWND window) = 0;
  // The window is about to go: the object keeps what it held.
  virtual void Detach() = 0;

 protected:
  HWND hwnd_ = nullptr;
};

class Win32TextBox : public TextBox, public Win32Control {
 public:
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void Refresh() override;

  void Initialise(const ControlLayout& desc) override;
  void Attach(HWND window) override;
  void Detach() override;

 private:
  std::string text_;
  bool multi_line_ = false;
};

class Win32Button : public Button, public Win32Control {
 public:
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;

  void Initialise(const ControlLayout& desc) override;
  void Attach(HWND window) override;
  void Detach() override;

 private:
  bool enabled_ = true;
};

// The picture box's own window class: the picture stretched over the client area, a double click
// reported to the parent as STN_DBLCLK, and where there is no picture the parent's background.
class Win32PictureBox : public PictureBox, public Win32Control {
 public:
  static constexpr const wchar_t* kClassName = L"PixferryPicture";
  static void RegisterWindowClass(HINSTANCE instance);

  void LoadPicture(const std::string& path) override;
  bool HasPicture() const override { return picture_ != nullptr; }

  void Initialise(const ControlLayout& desc) override;
  void Attach(HWND window) override;
  void Detach() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Paint(HDC dc, const RECT& client) const;

  std::unique_ptr<Picture> picture_;
};

}  // namespace pixferry::win32
