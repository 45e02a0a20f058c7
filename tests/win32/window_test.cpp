// The two windows as the layout tables describe them: frames, client sizes at the window's DPI,
// every control's rectangle, kind, text, font, tab order and first state.
#include <gtest/gtest.h>

#include <cmath>

#include "app/layout.h"
#include "platform/win32/wide.h"
#include "tests/win32/Win32Testing.h"
#include "ui/win32/Dpi.h"

namespace pixferry::win32::testing {
namespace {

bool IsWindowControl(const ControlSpec& c) {
  return c.kind != ControlKind::Line && c.kind != ControlKind::Background;
}

RECT Expected(const ControlSpec& c, int dpi) {
  const int left = TwipsToPixels(c.left, dpi);
  const int top = TwipsToPixels(c.top, dpi);
  return RECT{left, top, left + TwipsToPixels(c.width, dpi), top + TwipsToPixels(c.height, dpi)};
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

void ExpectFixedToolFrame(HWND window) {
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "resizable";
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
}

void ExpectClientSize(HWND window, const FormSpec& desc) {
  const int dpi = WindowDpi(window);
  RECT client{};
  ASSERT_TRUE(::GetClientRect(window, &client));
  EXPECT_EQ(client.right, TwipsToPixels(desc.client_width, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(desc.client_height, dpi));
}

void ExpectCentred(HWND window) {
  RECT frame{};
  ::GetWindowRect(window, &frame);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
  const RECT& work = info.rcWork;
  EXPECT_LE(std::abs((frame.left - work.left) - (work.right - frame.right)), 1);
  EXPECT_LE(std::abs((frame.top - work.top) - (work.bottom - frame.bottom)), 1);
}

// Every control is a child window at its table rectangle, in the table's order.
void ExpectControlsAsTable(const Win32Form& form) {
  const int dpi = WindowDpi(form.hwnd());
  HWND child = ::GetWindow(form.hwnd(), GW_CHILD);
  for (const ControlSpec& c : form.desc().controls) {
    if (!IsWindowControl(c)) continue;
    SCOPED_TRACE(std::string(c.name));
    const HWND window = form.ControlWindow(c.name);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, child) << "out of the table's order";
    child = ::GetWindow(child, GW_HWNDNEXT);
    EXPECT_EQ(Describe(ChildRect(window)), Describe(Expected(c, dpi)));
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const bool takes_focus = c.kind == ControlKind::Button || c.kind == ControlKind::TextBox;
    EXPECT_EQ((style & WS_TABSTOP) != 0, takes_focus);
    EXPECT_EQ(::IsWindowEnabled(window) != FALSE, c.enabled);
    if (c.kind == ControlKind::Label || c.kind == ControlKind::Button) {
      EXPECT_EQ(WindowTextOf(window), c.caption);
    }
  }
}

void ExpectFont(HWND control, const FontSpec& font, int dpi) {
  const auto hfont = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  ASSERT_NE(hfont, nullptr);
  LOGFONTW lf{};
  ASSERT_NE(::GetObjectW(hfont, sizeof lf, &lf), 0);
  EXPECT_EQ(Narrow(lf.lfFaceName), font.face);
  EXPECT_EQ(lf.lfWeight, font.weight);
  EXPECT_EQ(lf.lfHeight, -std::lround(font.points * dpi / 72.0));
  EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
  EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
}

class MainWindowTest : public ::testing::Test {
 protected:
  ProgramFixture p{/*with_card=*/false};
};

TEST_F(MainWindowTest, IsAFixedToolWindowOfTheTableSizeCentredWithATaskbarButton) {
  p.Start();
  const HWND main = p.Main();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(::IsWindowVisible(main));
  EXPECT_EQ(WindowTextOf(main), "Pixferry");
  ExpectFixedToolFrame(main);
  // The program's only window in the taskbar, despite the tool-window frame.
  EXPECT_TRUE(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetWindow(main, GW_OWNER), nullptr);
  ExpectClientSize(main, MainFormLayout());
  ExpectCentred(main);
  EXPECT_NE(::SendMessageW(main, WM_GETICON, ICON_BIG, 0), 0) << "no icon";
}

TEST_F(MainWindowTest, ControlsFollowTheTableInTabOrderWithTheirFirstState) {
  p.Start();
  ExpectControlsAsTable(p.program->main_window);
  // Without a card every list button stays disabled.
  for (const char* name :
       {"cmdSourceFirst", "cmdSourceNext", "cmdViewSource", "cmdTargetLast", "cmdViewTarget"}) {
    EXPECT_FALSE(::IsWindowEnabled(p.MainControl(name))) << name;
  }
  EXPECT_EQ(p.program->txtMessage.Text(),
            "Click 'Set Source' to begin and locate the folder where your photos are located.");
}

TEST_F(MainWindowTest, TheFirstFocusIsSetSourceAndTabFollowsTheTable) {
  p.Start();
  EXPECT_EQ(::GetFocus(), p.MainControl("cmdSource"));
  const HWND main = p.Main();
  EXPECT_EQ(::GetNextDlgTabItem(main, p.MainControl("cmdSource"), FALSE),
            p.MainControl("txtIncidentNumber"));
  EXPECT_EQ(::GetNextDlgTabItem(main, p.MainControl("txtDate"), FALSE),
            p.MainControl("cmdStartCopy"));
  // The disabled list buttons are passed over, from Delete straight to Close.
  EXPECT_EQ(::GetNextDlgTabItem(main, p.MainControl("cmdDelete"), FALSE),
            p.MainControl("cmdClose"));
  EXPECT_EQ(::GetNextDlgTabItem(main, p.MainControl("txtTarget"), FALSE),
            p.MainControl("txtMessage"));
}

TEST_F(MainWindowTest, FontsAreTheTwoOfTheTableAtTheWindowsDpi) {
  p.Start();
  const int dpi = WindowDpi(p.Main());
  for (const ControlSpec& c : MainFormLayout().controls) {
    if (c.kind != ControlKind::Label && c.kind != ControlKind::Button &&
        c.kind != ControlKind::TextBox) {
      continue;
    }
    SCOPED_TRACE(std::string(c.name));
    ExpectFont(p.MainControl(c.name), c.font == FontId::Status ? kStatusFont : kBodyFont, dpi);
  }
}

TEST_F(MainWindowTest, TextBoxesAreReadOnlyWhereTheTableSaysAndTheStatusBoxScrollsCentred) {
  p.Start();
  auto style = [&](const char* name) {
    return static_cast<DWORD>(::GetWindowLongPtrW(p.MainControl(name), GWL_STYLE));
  };
  for (const char* name : {"txtIncidentNumber", "txtUser", "txtDate"}) {
    EXPECT_FALSE(style(name) & ES_READONLY) << name;
    EXPECT_FALSE(style(name) & ES_MULTILINE) << name;
  }
  for (const char* name : {"txtSource", "txtTarget"}) {
    EXPECT_TRUE(style(name) & ES_READONLY) << name;
    EXPECT_FALSE(style(name) & ES_MULTILINE) << name;
  }
  const DWORD status = style("txtMessage");
  for (const DWORD bit : {DWORD{ES_MULTILINE}, DWORD{ES_READONLY}, DWORD{ES_CENTER},
                          DWORD{WS_VSCROLL}, DWORD{ES_AUTOVSCROLL}}) {
    EXPECT_EQ(status & bit, bit) << std::hex << bit;
  }
  // Labels show an ampersand as it is.
  EXPECT_TRUE(style("lblIncidentNumber") & SS_NOPREFIX);
  EXPECT_EQ(ClassOf(p.MainControl("imgSource")), "PixferryPicture");
  EXPECT_TRUE(style("imgSource") & WS_BORDER);
}

TEST_F(MainWindowTest, TextBoxesAreOnTheScrollBarColourAndLabelsOnTheBackground) {
  p.Start();
  const HWND main = p.Main();
  const WindowDc dc(main);
  for (const char* name : {"txtUser", "txtSource", "txtMessage"}) {
    const HWND box = p.MainControl(name);
    const bool read_only = ::GetWindowLongPtrW(box, GWL_STYLE) & ES_READONLY;
    const auto brush =
        ::SendMessageW(main, read_only ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                       reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_SCROLLBAR))) << name;
  }
  const auto label_brush =
      ::SendMessageW(main, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(p.MainControl("lblUser")));
  EXPECT_NE(label_brush, 0);
  EXPECT_NE(label_brush, reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE)));
  EXPECT_EQ(::GetBkMode(dc.get()), TRANSPARENT);
}

// Reads back what the screen shows at a point of the main window's client area.
COLORREF ScreenPixel(HWND window, int x, int y) {
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(20);
  const WindowDc dc(window);
  return ::GetPixel(dc.get(), x, y);
}

TEST_F(MainWindowTest, LabelsShowTheBackgroundPictureAroundTheirText) {
  p.Start();
  const HWND main = p.Main();
  const HWND label = p.MainControl("lblIncidentNumber");
  // The right end of the label's box holds no text: there the label must not be seen at all.
  const RECT r = ChildRect(label);
  const int x = r.right - 3;
  const int y = r.bottom - 3;
  const COLORREF with_label = ScreenPixel(main, x, y);
  ::ShowWindow(label, SW_HIDE);
  const COLORREF without_label = ScreenPixel(main, x, y);
  ::ShowWindow(label, SW_SHOW);
  EXPECT_EQ(with_label, without_label);
  EXPECT_NE(without_label, ::GetSysColor(COLOR_BTNFACE)) << "no background picture";
}

TEST_F(MainWindowTest, Line1IsThreePixelsOfTheLineColourAcrossTheWindow) {
  p.Start();
  const HWND main = p.Main();
  const int dpi = WindowDpi(main);
  if (dpi != kDefaultDpi) GTEST_SKIP() << "pixel rows are checked at 96 DPI";
  const COLORREF line = ::GetSysColor(COLOR_WINDOWTEXT);
  // From (240, 1800) to (6720, 1800) twips: pixels 16 to 448 on rows 119 to 121.
  for (const int y : {119, 120, 121}) {
    EXPECT_EQ(ScreenPixel(main, 20, y), line) << y;
    EXPECT_EQ(ScreenPixel(main, 440, y), line) << y;
  }
  EXPECT_NE(ScreenPixel(main, 20, 117), line);
  EXPECT_NE(ScreenPixel(main, 20, 123), line);
  EXPECT_NE(ScreenPixel(main, 10, 120), line);
}

TEST_F(MainWindowTest, TheStatusBoxRepaintsAtOnceAndBreaksLinesAtNewlines) {
  p.Start();
  const HWND status = p.MainControl("txtMessage");
  p.program->txtMessage.SetText("Please wait...\nCopying IMG_0001.JPG");
  EXPECT_EQ(::SendMessageW(status, EM_GETLINECOUNT, 0, 0), 2);
  ::InvalidateRect(status, nullptr, TRUE);
  p.program->txtMessage.Refresh();
  EXPECT_FALSE(::GetUpdateRect(status, nullptr, FALSE)) << "still waiting to be painted";
  // Longer than an edit control takes by default: a thousand copied files.
  std::string long_text;
  for (int i = 0; i < 1100; ++i) long_text += "Copying Files... IMG_0001.JPG\r\n";
  p.program->txtMessage.SetText(long_text);
  EXPECT_EQ(p.program->txtMessage.Text().size(), long_text.size());
}

TEST_F(MainWindowTest, TextsArePlainAndAnyCharacterRoundTrips) {
  p.Start();
  const std::string text =
      "a&b <b>x</b> \xC3\x9Cnic\xC3\xB8"
      "de \xE6\x97\xA5";
  p.program->txtSource.SetText(text);
  EXPECT_EQ(p.program->txtSource.Text(), text);
  EXPECT_EQ(WindowTextOf(p.MainControl("txtSource")), text);
}

class ViewerWindowTest : public ::testing::Test {
 protected:
  ProgramFixture p;
};

TEST_F(ViewerWindowTest, IsCreatedHiddenAtStartUpOwnedByTheMainWindow) {
  p.Start();
  const HWND viewer = p.Viewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_FALSE(::IsWindowVisible(viewer));
  EXPECT_EQ(::GetWindow(viewer, GW_OWNER), p.Main());
}

TEST_F(ViewerWindowTest, IsAFixedToolWindowOfTheTableSizeWithItsButtonsInTheCorners) {
  p.Start();
  p.program->viewer_window.Show(&p.program->main_window);
  const HWND viewer = p.Viewer();
  ASSERT_TRUE(::IsWindowVisible(viewer));
  EXPECT_EQ(WindowTextOf(viewer), "Photo");
  ExpectFixedToolFrame(viewer);
  // No taskbar button of its own: a tool window, owned, without the app-window style.
  EXPECT_FALSE(::GetWindowLongPtrW(viewer, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetWindow(viewer, GW_OWNER), p.Main());
  EXPECT_EQ(::SendMessageW(viewer, WM_GETICON, ICON_BIG, 0), 0);
  ExpectClientSize(viewer, ViewerFormLayout());
  ExpectCentred(viewer);
  ExpectControlsAsTable(p.program->viewer_window);
  // The picture is wider than the client area, so its right border line falls outside.
  RECT client{};
  ::GetClientRect(viewer, &client);
  const RECT picture = ChildRect(p.program->viewer_window.ControlWindow("imgSource"));
  EXPECT_GT(picture.right, client.right);
  for (const char* name : {"cmdClose", "cmdClose1", "cmdClose2", "cmdClose3"}) {
    ExpectFont(p.program->viewer_window.ControlWindow(name), kBodyFont, WindowDpi(viewer));
  }
  // The bottom-right button has the focus, so Enter or Space closes the viewer at once.
  EXPECT_EQ(::GetFocus(), p.program->viewer_window.ControlWindow("cmdClose"));
}

}  // namespace
}  // namespace pixferry::win32::testing
