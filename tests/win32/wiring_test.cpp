// Real window messages reach the core: each control's event through the wiring table, and none
// while the window is taken down.
#include <gtest/gtest.h>

#include <utility>

#include "app/Dispatch.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry::win32::testing {
namespace {

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
