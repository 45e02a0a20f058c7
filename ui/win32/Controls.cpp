#include "ui/win32/Controls.h"

#include "platform/win32/wide.h"
#include "ui/win32/Handles.h"

namespace pixferry::win32 {
namespace {

// A multi-line edit control breaks lines only at CR LF.
std::wstring WithCrLf(std::wstring text) {
  std::wstring result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) result += L'\r';
    result += text[i];
  }
  return result;
}

std::string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return Narrow(text);
}

}  // namespace

// ---- Text box

std::string Win32TextBox::Text() const {
  return hwnd_ ? WindowText(hwnd_) : text_;
}

void Win32TextBox::SetText(std::string_view text) {
  text_ = std::string(text);
  if (!hwnd_) return;
  std::wstring wide = Widen(text);
  if (multi_line_) wide = WithCrLf(std::move(wide));
  ::SetWindowTextW(hwnd_, wide.c_str());
}

void Win32TextBox::Refresh() {
  if (!hwnd_) return;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  ::UpdateWindow(hwnd_);
}

void Win32TextBox::Initialise(const ControlLayout& desc) {
  text_ = std::string(desc.caption);
  multi_line_ = desc.multi_line;
}

void Win32TextBox::Attach(HWND window) {
  hwnd_ = window;
  // The status box grows with every copied file; the default limit would cut it off.
  ::SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
  SetText(text_);
}

void Win32TextBox::Detach() {
  if (hwnd_) text_ = WindowText(hwnd_);
  hwnd_ = nullptr;
}

// ---- Button

bool Win32Button::Enabled() const {
  return hwnd_ ? ::IsWindowEnabled(hwnd_) != FALSE : enabled_;
}

void Win32Button::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!hwnd_) return;
  // A disabled control cannot keep the keyboard focus; it goes on to the next one, as in a
  // dialog, instead of being lost.
  if (!enabled && ::GetFocus() == hwnd_) {
    const HWND parent = ::GetParent(hwnd_);
    if (const HWND next = ::GetNextDlgTabItem(parent, hwnd_, FALSE); next && next != hwnd_) {
      ::SetFocus(next);
    }
  }
  ::EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void Win32Button::Initialise(const ControlLayout& desc) {
  enabled_ = desc.enabled;
}

void Win32Button::Attach(HWND window) {
  hwnd_ = window;
  ::EnableWindow(hwnd_, enabled_ ? TRUE : FALSE);
}

void Win32Button::Detach() {
  if (hwnd_) enabled_ = ::IsWindowEnabled(hwnd_) != FALSE;
  hwnd_ = nullptr;
}

// ---- Picture box

void Win32PictureBox::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &Win32PictureBox::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  ::RegisterClassExW(&wc);  // fails harmlessly when it is registered already
}

void Win32PictureBox::LoadPicture(const std::string& path) {
  // Decoded first: on failure the previous picture stays.
  picture_ = Picture::FromFile(path);
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32PictureBox::Initialise(const ControlLayout&) {
  picture_.reset();
}

void Win32PictureBox::Attach(HWND window) {
  hwnd_ = window;
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32PictureBox::Detach() {
  if (hwnd_) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  // The picture belongs to the window: a form loaded again starts without one.
  picture_.reset();
}

void Win32PictureBox::Paint(HDC dc, const RECT& client) const {
  if (picture_) {
    picture_->DrawStretched(dc, client);
    return;
  }
  // No picture: the parent's background shows through, as behind a label.
  const HWND parent = ::GetParent(hwnd_);
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
      parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
  if (!brush) brush = ::GetSysColorBrush(COLOR_BTNFACE);
  ::FillRect(dc, &client, brush);
}

LRESULT CALLBACK Win32PictureBox::WindowProc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  auto* self = reinterpret_cast<Win32PictureBox*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      const HDC dc = ::BeginPaint(window, &ps);
      RECT client{};
      ::GetClientRect(window, &client);
      // Drawn off screen first, so a new photo never flickers through the background.
      const UniqueMemoryDc memory(::CreateCompatibleDC(dc));
      const UniqueBitmap canvas(::CreateCompatibleBitmap(dc, client.right, client.bottom));
      if (self && memory && canvas) {
        const ScopedSelect select(memory.get(), canvas.get());
        self->Paint(memory.get(), client);
        ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
      } else if (self) {
        self->Paint(dc, client);
      }
      ::EndPaint(window, &ps);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      const HWND parent = ::GetParent(window);
      const auto id = static_cast<WORD>(::GetDlgCtrlID(window));
      ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, STN_DBLCLK),
                     reinterpret_cast<LPARAM>(window));
      return 0;
    }
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace pixferry::win32
