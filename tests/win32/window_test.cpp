// The two windows: a few anchor points of the layout at 96 dots per inch, the taskbar button,
// labels on the background picture, the status box, the viewer's buttons, and real window
// messages reaching the core: each control's event through the wiring table, and none while the
// window is taken down.
#include <gtest/gtest.h>

#include <utility>

#include "app/Dispatch.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry::win32::testing {
namespace {

// The client rectangle of a control, in its window's client coordinates.
RECT ClientRectOf(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(MainWindowTest, KeepsItsSizeATaskbarButtonLabelsOnTheBackgroundPictureAndItsStatusBox) {
  ProgramFixture p{/*with_card=*/false};
  const HWND main = p.Main();
  ASSERT_TRUE(::IsWindowVisible(main));
  EXPECT_EQ(WindowTextOf(main), "Pixferry");
  ASSERT_EQ(WindowDpi(main), 96) << "the pixel values are those at 96 dots per inch";
  RECT client{};
  ::GetClientRect(main, &client);
  const RECT size{0, 0, 465, 329}, close{16, 288, 449, 313},
      close_at = ClientRectOf(p.MainControl("cmdClose"));
  EXPECT_TRUE(::EqualRect(&client, &size) && ::EqualRect(&close_at, &close));
  // The program's only taskbar button, despite the tool-window frame.
  EXPECT_TRUE(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_NE(::SendMessageW(main, WM_GETICON, ICON_BIG, 0), 0) << "no icon";
  // The label at tab index 0 takes no focus.
  EXPECT_EQ(::GetFocus(), p.MainControl("cmdSource"));

  // Beside its text a label's box looks on screen exactly as if the label were not there.
  const HWND label = p.MainControl("lblIncidentNumber");
  const RECT r = ClientRectOf(label);
  auto pixel = [&] {
    ::RedrawWindow(main, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(20);
    return ::GetPixel(WindowDc(main).get(), r.right - 3, r.bottom - 3);
  };
  const COLORREF with_label = pixel();
  ::ShowWindow(label, SW_HIDE);
  EXPECT_EQ(pixel(), with_label);
  EXPECT_NE(with_label, ::GetSysColor(COLOR_BTNFACE)) << "no background picture";

  // The status box repaints at once, breaks at newlines and holds a long text.
  const HWND status = p.MainControl("txtMessage");
  p.program->txtMessage.SetText("Please wait...\nCopying IMG_0001.JPG");
  EXPECT_EQ(::SendMessageW(status, EM_GETLINECOUNT, 0, 0), 2);
  ::InvalidateRect(status, nullptr, TRUE);
  p.program->txtMessage.Refresh();
  EXPECT_FALSE(::GetUpdateRect(status, nullptr, FALSE)) << "still waiting to be painted";
  // A thousand copied files: more than an edit control holds by default.
  std::string long_text;
  for (int i = 0; i < 1100; ++i) long_text += "Copying Files... IMG_0001.JPG\r\n";
  p.program->txtMessage.SetText(long_text);
  EXPECT_EQ(p.program->txtMessage.Text(), long_text);
}

TEST(ViewerWindowTest, ADoubleClickShowsItOwnedEachXHidesItAndTheMainCloseBoxEndsIt) {
  ProgramFixture p;
  const HWND viewer = p.Viewer();
  ASSERT_TRUE(viewer && !::IsWindowVisible(viewer)) << "created hidden at start-up";
  ::SendMessageW(p.MainControl("cmdViewSource"), BM_CLICK, 0, 0);
  auto open = [&] {
    ::SendMessageW(p.MainControl("imgSource"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Pump();
    return ::IsWindowVisible(viewer) && p.program->viewer_picture.HasPicture();
  };
  ASSERT_TRUE(open());
  EXPECT_EQ(WindowTextOf(viewer), "Photo");
  EXPECT_FALSE(::GetWindowLongPtrW(viewer, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetWindow(viewer, GW_OWNER), p.Main());
  EXPECT_EQ(::SendMessageW(viewer, WM_GETICON, ICON_BIG, 0), 0);
  // Enter or Space closes it at once.
  EXPECT_EQ(::GetFocus(), p.program->viewer_window.ControlWindow("cmdClose"));
  for (const char* button : {"cmdClose", "cmdClose1", "cmdClose2", "cmdClose3", ""}) {
    SCOPED_TRACE(button);
    const HWND close = p.program->viewer_window.ControlWindow(button);
    ::SendMessageW(close ? close : viewer, close ? BM_CLICK : WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(viewer));
    EXPECT_EQ(p.Viewer(), viewer) << "hidden, not unloaded";
    EXPECT_TRUE(open());
  }
  // The main window's close box ends the program as Close does, the open viewer included.
  const HWND main = p.Main();
  ::SendMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(viewer));
  EXPECT_FALSE(::IsWindow(main));
  MSG quit{};
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

using Fired = std::pair<std::string, Event>;

TEST(Wiring, EveryEventOfTheTableComesFromItsControlAndNoneWhileTheWindowIsTakenDown) {
  ProgramFixture p;
  std::vector<Fired> fired, expected;
  p.program->main_window.on_event = [&](std::string_view control, Event event) {
    fired.emplace_back(std::string(control), event);
  };
  for (const EventBinding& binding : MainFormEvents()) {
    expected.emplace_back(std::string(binding.control), binding.event);
    const HWND control = p.MainControl(binding.control);
    if (binding.event == Event::Click) {
      ::EnableWindow(control, TRUE);
      ::SendMessageW(control, BM_CLICK, 0, 0);
    } else if (binding.event == Event::DblClick) {
      ::SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    } else {
      ::SetFocus(control);
      ::SetFocus(p.MainControl("txtUser"));
    }
    Pump();
  }
  EXPECT_EQ(fired, expected);
  // None while the window is taken down, though the focus leaves a text box.
  ::SetFocus(p.MainControl("txtDate"));
  fired.clear();
  p.program->main_window.Unload();
  EXPECT_EQ(fired, std::vector<Fired>{});
}

}  // namespace
}  // namespace pixferry::win32::testing
