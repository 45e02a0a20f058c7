// A window built from its layout table: a fixed tool-window frame with the table's client size
// at the window's DPI, centred, and its child controls in tab order. The background picture (if
// any) and the lines are painted by the window beneath every control; labels and empty picture
// boxes show that background through.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Dispatch.h"
#include "app/FormLayouts.h"
#include "app/Screen.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Handles.h"
#include "ui/win32/Picture.h"

namespace pixferry::win32 {

struct FormStyle {
  DWORD style = 0;
  DWORD ex_style = 0;
  int icon_id = 0;        // ICON resource; 0: none
  int background_id = 0;  // RCDATA resource with the background picture; 0: the face colour
};

class Win32Form : public Window {
 public:
  static constexpr const wchar_t* kClassName = L"PixferryForm";
  static constexpr int kFirstControlId = 100;
  // True for a top-level window made by this class (the message loop's dialog keys go to it).
  static bool IsForm(HWND window);

  Win32Form(HINSTANCE instance, const FormLayout& desc, FormStyle style);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  void Load() override;
  bool IsLoaded() const override { return hwnd_ != nullptr; }
  void Show(Window* owner) override;
  void Hide() override;
  bool IsVisible() const override;
  void Unload() override;

  // Before the first Load: the object that stands for the named control.
  void Bind(std::string_view name, Win32Control& control);
  // The owner the window is created with (the viewer: the main window).
  void SetDefaultOwner(const Win32Form* owner) { default_owner_ = owner; }

  // A control's event; not called while the window is being taken down.
  std::function<void(std::string_view control, Event event)> on_event;
  // The title bar's close box (and Alt+F4). Without it the close box unloads the window.
  std::function<void()> on_close_box;
  std::function<void()> on_destroyed;

  HWND hwnd() const { return hwnd_; }
  HWND ControlWindow(std::string_view name) const;
  int dpi() const { return dpi_; }
  const FormLayout& desc() const { return layout_; }

 private:
  struct Child {
    const ControlLayout* desc;
    HWND hwnd;
    Win32Control* control;  // null for controls the core does not hold (labels, viewer buttons)
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateChildren();
  void ApplyDpi(int dpi);
  void BuildBackground();
  void PaintBackground(HDC dc) const;
  SIZE FrameSize(int dpi) const;
  void PlaceCentred();
  const Child* FindChild(HWND window) const;
  HWND FirstFocus() const;
  LRESULT ControlColours(HDC dc, HWND child);
  LRESULT OnCommand(WPARAM wparam, LPARAM lparam);
  void Dispatch(const Child& child, Event event);

  HINSTANCE instance_;
  const FormLayout& layout_;
  FormStyle style_;
  const Win32Form* default_owner_ = nullptr;
  HWND hwnd_ = nullptr;
  bool closing_ = false;
  int dpi_ = kDefaultDpi;
  std::vector<Child> children_;
  std::vector<std::pair<std::string_view, Win32Control*>> bound_;
  HWND saved_focus_ = nullptr;

  UniqueFont body_font_;
  UniqueFont status_font_;
  std::unique_ptr<Picture> background_picture_;
  UniqueBitmap background_;       // the client area without its controls
  UniqueBrush background_brush_;  // the same, for children that show it through
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;
};

}  // namespace pixferry::win32
