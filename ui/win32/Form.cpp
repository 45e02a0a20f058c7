#include "ui/win32/Form.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/errors.h"
#include "platform/win32/wide.h"

namespace pixferry::win32 {
namespace {

UniqueFont MakeFont(const FontLayout& desc, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -static_cast<LONG>(std::lround(desc.points * dpi / 72.0));
  lf.lfWeight = desc.weight;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  const std::wstring face = Widen(desc.face);
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return UniqueFont(::CreateFontIndirectW(&lf));
}

struct ChildClass {
  const wchar_t* class_name;
  DWORD style;
  DWORD ex_style;
};

ChildClass ClassFor(const ControlLayout& c) {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (c.kind) {
    case ControlKind::Label:
      // No mnemonics: a label shows its text exactly.
      return {L"STATIC", kChild | SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::Button:
      return {L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::TextBox: {
      DWORD style = kChild | WS_TABSTOP;
      if (c.multi_line) {
        style |= ES_MULTILINE | ES_CENTER | ES_AUTOVSCROLL | WS_VSCROLL;
      } else {
        style |= ES_LEFT | ES_AUTOHSCROLL;
      }
      if (c.read_only) style |= ES_READONLY;
      return {L"EDIT", style, WS_EX_CLIENTEDGE};
    }
    case ControlKind::PictureBox:
      return {Win32PictureBox::kClassName, kChild | (c.border ? WS_BORDER : 0), 0};
    case ControlKind::Line:
    case ControlKind::Background:
      break;
  }
  return {nullptr, 0, 0};
}

}  // namespace

bool Win32Form::IsForm(HWND window) {
  wchar_t name[32] = {};
  return window && ::GetClassNameW(window, name, 32) > 0 && std::wstring_view(name) == kClassName;
}

Win32Form::Win32Form(HINSTANCE instance, const FormLayout& desc, FormStyle style)
    : instance_(instance), layout_(desc), style_(style) {}

Win32Form::~Win32Form() {
  on_event = nullptr;
  on_close_box = nullptr;
  on_destroyed = nullptr;
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void Win32Form::Bind(std::string_view name, Win32Control& control) {
  if (const ControlLayout* desc = FindControl(layout_, name)) control.Initialise(*desc);
  bound_.emplace_back(name, &control);
}

void Win32Form::Load() {
  if (hwnd_) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Win32Form::WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  ::RegisterClassExW(&wc);  // fails harmlessly when it is registered already
  Win32PictureBox::RegisterWindowClass(instance_);
  closing_ = false;
  saved_focus_ = nullptr;
  if (style_.background_id != 0 && !background_picture_) {
    try {
      background_picture_ = Picture::FromResource(instance_, style_.background_id);
    } catch (const RuntimeError&) {
      // Without its picture the window still works, on the plain face colour.
    }
  }

  const HWND owner = default_owner_ ? default_owner_->hwnd() : nullptr;
  const std::wstring title = Widen(layout_.title);
  if (!::CreateWindowExW(style_.ex_style, kClassName, title.c_str(), style_.style, CW_USEDEFAULT,
                         CW_USEDEFAULT, 0, 0, owner, nullptr, instance_, this)) {
    throw RuntimeError(err::kOutOfMemory);
  }

  if (style_.icon_id != 0) {
    big_icon_.reset(static_cast<HICON>(::LoadImageW(
        instance_, MAKEINTRESOURCEW(style_.icon_id), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
        ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    small_icon_.reset(static_cast<HICON>(::LoadImageW(
        instance_, MAKEINTRESOURCEW(style_.icon_id), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
        ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
  }

  CreateChildren();
  ApplyDpi(WindowDpi(hwnd_));
  PlaceCentred();
}

void Win32Form::CreateChildren() {
  // The table lists the controls in tab order; creating them in that order makes it the order
  // the dialog keys follow. Controls without a tab place come last, beneath the others.
  int index = 0;
  for (const ControlLayout& c : layout_.controls) {
    const ChildClass kind = ClassFor(c);
    ++index;
    if (!kind.class_name) continue;
    const std::wstring caption = Widen(c.caption);
    DWORD style = kind.style;
    if (!c.enabled) style |= WS_DISABLED;
    const HWND child = ::CreateWindowExW(
        kind.ex_style, kind.class_name, caption.c_str(), style, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance_, nullptr);
    if (!child) throw RuntimeError(err::kOutOfMemory);
    Win32Control* control = nullptr;
    for (const auto& [name, bound] : bound_) {
      if (name == c.name) control = bound;
    }
    children_.push_back(Child{&c, child, control});
  }
}

void Win32Form::ApplyDpi(int dpi) {
  dpi_ = dpi;
  // New fonts go to the controls before the old ones are deleted.
  UniqueFont body = MakeFont(kBodyFont, dpi);
  UniqueFont status = MakeFont(kStatusFont, dpi);
  for (const Child& child : children_) {
    const ControlLayout& c = *child.desc;
    ::SetWindowPos(child.hwnd, nullptr, TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi),
                   TwipsToPixels(c.width, dpi), TwipsToPixels(c.height, dpi),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const HFONT font = c.font == FontId::Status ? status.get() : body.get();
    ::SendMessageW(child.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  body_font_ = std::move(body);
  status_font_ = std::move(status);

  const SIZE frame = FrameSize(dpi);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  BuildBackground();

  for (const Child& child : children_) {
    if (child.control && !child.control->hwnd()) child.control->Attach(child.hwnd);
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

SIZE Win32Form::FrameSize(int dpi) const {
  const RECT client{0, 0, TwipsToPixels(layout_.client_width, dpi),
                    TwipsToPixels(layout_.client_height, dpi)};
  const RECT frame = FrameForClient(client, style_.style, style_.ex_style, dpi);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void Win32Form::PlaceCentred() {
  const HMONITOR monitor = ::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(monitor, &info)) return;
  // Placing it may move it onto a monitor of another DPI, which changes its size; a second pass
  // centres the final size.
  for (int pass = 0; pass < 2; ++pass) {
    RECT frame{};
    ::GetWindowRect(hwnd_, &frame);
    const RECT& work = info.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int dpi = WindowDpi(hwnd_);
    if (dpi == dpi_) break;
    ApplyDpi(dpi);
  }
}

void Win32Form::BuildBackground() {
  const int width = TwipsToPixels(layout_.client_width, dpi_);
  const int height = TwipsToPixels(layout_.client_height, dpi_);
  const WindowDc screen(hwnd_);
  UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  const UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
  if (!bitmap || !memory) return;
  {
    const ScopedSelect select(memory.get(), bitmap.get());
    const RECT all{0, 0, width, height};
    ::FillRect(memory.get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
    for (const ControlLayout& c : layout_.controls) {
      if (c.kind == ControlKind::Background && background_picture_) {
        const int left = TwipsToPixels(c.left, dpi_);
        const int top = TwipsToPixels(c.top, dpi_);
        const RECT target{left, top, left + TwipsToPixels(c.width, dpi_),
                          top + TwipsToPixels(c.height, dpi_)};
        background_picture_->DrawStretched(memory.get(), target);
      }
    }
    // Lines lie on the background, centred on their coordinates.
    const int thickness = std::max(1, ScaleForDpi(kLineThicknessPixels, dpi_));
    for (const ControlLayout& c : layout_.controls) {
      if (c.kind != ControlKind::Line) continue;
      const int x1 = TwipsToPixels(c.left, dpi_);
      const int y1 = TwipsToPixels(c.top, dpi_);
      const int x2 = TwipsToPixels(c.left + c.width, dpi_);
      const int y2 = TwipsToPixels(c.top + c.height, dpi_);
      const int before = (thickness - 1) / 2;
      const RECT line{std::min(x1, x2) - (x1 == x2 ? before : 0),
                      std::min(y1, y2) - (y1 == y2 ? before : 0),
                      std::max(x1, x2) + (x1 == x2 ? thickness - before : 0),
                      std::max(y1, y2) + (y1 == y2 ? thickness - before : 0)};
      ::FillRect(memory.get(), &line, ::GetSysColorBrush(COLOR_WINDOWTEXT));
    }
  }
  UniqueBrush brush(::CreatePatternBrush(bitmap.get()));
  background_brush_ = std::move(brush);
  background_ = std::move(bitmap);
}

void Win32Form::PaintBackground(HDC dc) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (!background_) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  const UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  if (!memory) return;
  const ScopedSelect select(memory.get(), background_.get());
  ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

void Win32Form::Show(Window* owner) {
  Load();
  if (auto* owner_form = dynamic_cast<Win32Form*>(owner); owner_form && owner_form->hwnd()) {
    if (::GetWindow(hwnd_, GW_OWNER) != owner_form->hwnd()) {
      ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_form->hwnd()));
    }
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
}

void Win32Form::Hide() {
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

bool Win32Form::IsVisible() const {
  return hwnd_ && ::IsWindowVisible(hwnd_);
}

void Win32Form::Unload() {
  if (!hwnd_) return;
  closing_ = true;
  ::DestroyWindow(hwnd_);
}

HWND Win32Form::ControlWindow(std::string_view name) const {
  for (const Child& child : children_) {
    if (child.desc->name == name) return child.hwnd;
  }
  return nullptr;
}

const Win32Form::Child* Win32Form::FindChild(HWND window) const {
  if (!window) return nullptr;
  for (const Child& child : children_) {
    if (child.hwnd == window) return &child;
  }
  return nullptr;
}

HWND Win32Form::FirstFocus() const {
  const HWND first = ControlWindow(layout_.first_focus);
  if (first && ::IsWindowEnabled(first)) return first;
  return ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
}

LRESULT Win32Form::ControlColours(HDC dc, HWND child) {
  const Child* c = FindChild(child);
  if (!c)
    return ::DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(child));
  if (c->desc->kind == ControlKind::TextBox) {
    // Every text box, read-only or not, on the system's scroll-bar colour.
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_SCROLLBAR));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_SCROLLBAR));
  }
  // Labels and empty picture boxes: the window's own background, lined up with the window, so
  // they look transparent whatever repaints them.
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  POINT origin{0, 0};
  ::MapWindowPoints(child, hwnd_, &origin, 1);
  ::SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
  if (background_brush_) return reinterpret_cast<LRESULT>(background_brush_.get());
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT Win32Form::OnCommand(WPARAM wparam, LPARAM lparam) {
  const Child* child = FindChild(reinterpret_cast<HWND>(lparam));
  if (!child) return 0;  // Enter or Escape with no button to press
  const WORD code = HIWORD(wparam);
  switch (child->desc->kind) {
    case ControlKind::Button:
      if (code == BN_CLICKED) Dispatch(*child, Event::Click);
      break;
    case ControlKind::PictureBox:
      if (code == STN_DBLCLK) Dispatch(*child, Event::DblClick);
      break;
    case ControlKind::TextBox:
      // Focus that leaves for another program is not lost inside this one.
      if (code == EN_KILLFOCUS && ::GetFocus() != nullptr) Dispatch(*child, Event::LostFocus);
      break;
    default:
      break;
  }
  return 0;
}

void Win32Form::Dispatch(const Child& child, Event event) {
  if (closing_ || !on_event) return;
  // The handler may unload this window: nothing of it is used afterwards.
  on_event(child.desc->name, event);
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<Win32Form*>(
        reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
    created->hwnd_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<Win32Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wparam, lparam);
  try {
    return self->Handle(message, wparam, lparam);
  } catch (...) {
    // Nothing may leave through the system's call; the handlers report their own failures.
    return 0;
  }
}

LRESULT Win32Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND window = hwnd_;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wparam, lparam);

    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return ControlColours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));

    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
      // Also how themed buttons paint the corners around themselves.
      PaintBackground(reinterpret_cast<HDC>(wparam));
      return 1;

    case WM_PAINT: {
      PAINTSTRUCT ps{};
      const HDC dc = ::BeginPaint(window, &ps);
      PaintBackground(dc);
      ::EndPaint(window, &ps);
      return 0;
    }

    case WM_ACTIVATE:
      // The focus leaves with the window and comes back to where it was, the first time to the
      // table's first focus.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(window, focus)) saved_focus_ = focus;
      } else {
        HWND target = saved_focus_;
        if (!target || !::IsWindow(target) || !::IsChild(window, target) ||
            !::IsWindowEnabled(target)) {
          target = FirstFocus();
        }
        if (target) ::SetFocus(target);
      }
      return 0;

    case DM_GETDEFID: {
      // Enter presses the button that has the focus.
      const Child* focused = FindChild(::GetFocus());
      if (focused && focused->desc->kind == ControlKind::Button &&
          ::IsWindowEnabled(focused->hwnd)) {
        return MAKELRESULT(::GetDlgCtrlID(focused->hwnd), DC_HASDEFID);
      }
      return 0;
    }

    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      ApplyDpi(LOWORD(wparam));
      ::SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }

    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      BuildBackground();
      ::InvalidateRect(window, nullptr, TRUE);
      return 0;

    case WM_CLOSE:
      if (on_close_box) {
        on_close_box();
      } else {
        Unload();
      }
      return 0;

    case WM_DESTROY:
      closing_ = true;
      for (const Child& child : children_) {
        if (child.control) child.control->Detach();
      }
      children_.clear();
      if (on_destroyed) on_destroyed();
      return 0;

    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return ::DefWindowProcW(window, message, wparam, lparam);

    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace pixferry::win32
