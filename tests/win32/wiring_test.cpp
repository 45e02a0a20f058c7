// Real window messages reach the core: each control's event through the wiring table, the
// close boxes, and a few handlers end to end on a card in a temporary folder.
#include "app/wiring.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "platform/dates.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry::win32::testing {
namespace {

using Fired = std::pair<std::string, Event>;

class WiringTest : public ::testing::Test {
 protected:
  ProgramFixture p;
};

TEST_F(WiringTest, EveryEventOfTheTableComesFromItsControl) {
  p.Start();
  std::vector<Fired> fired;
  p.program->main_window.on_event = [&](std::string_view control, Event event) {
    fired.emplace_back(std::string(control), event);
  };

  std::set<Fired> expected;
  for (const EventBinding& binding : MainFormEvents()) {
    SCOPED_TRACE(std::string(binding.control));
    const HWND control = p.MainControl(binding.control);
    ASSERT_NE(control, nullptr) << "no such control";
    expected.emplace(std::string(binding.control), binding.event);
    switch (binding.event) {
      case Event::Click:
        ::EnableWindow(control, TRUE);
        ::SendMessageW(control, BM_CLICK, 0, 0);
        break;
      case Event::DblClick:
        ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ::SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        break;
      case Event::LostFocus:
        ::SetFocus(control);
        ::SetFocus(p.MainControl("txtUser"));
        break;
    }
    Pump();
  }
  EXPECT_EQ(std::set<Fired>(fired.begin(), fired.end()), expected);
  EXPECT_EQ(fired.size(), expected.size()) << "an event fired twice";
}

TEST_F(WiringTest, NothingElseRunsAHandler) {
  p.Start();
  std::vector<Fired> handled;
  p.program->main_window.on_event = [&](std::string_view control, Event event) {
    for (const EventBinding& binding : MainFormEvents()) {
      if (binding.control == control && binding.event == event) {
        handled.emplace_back(std::string(control), event);
      }
    }
  };
  // Focus moving between the other boxes, a single click on the picture, typing.
  ::SetFocus(p.MainControl("txtIncidentNumber"));
  ::SetFocus(p.MainControl("txtUser"));
  ::SetFocus(p.MainControl("cmdSource"));
  ::SendMessageW(p.MainControl("imgSource"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(p.MainControl("imgSource"), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ::SendMessageW(p.MainControl("txtUser"), WM_CHAR, 'x', 0);
  Pump();
  EXPECT_TRUE(handled.empty()) << handled.front().first;
}

TEST_F(WiringTest, EnterPressesTheFocusedButtonAndEscapeNothing) {
  p.Start();
  std::vector<Fired> fired;
  p.program->main_window.on_event = [&](std::string_view control, Event event) {
    fired.emplace_back(std::string(control), event);
  };
  const HWND main = p.Main();
  ::SetFocus(p.MainControl("cmdDelete"));
  MSG enter{main, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  enter.hwnd = p.MainControl("cmdDelete");
  ::IsDialogMessageW(main, &enter);
  MSG escape{p.MainControl("cmdDelete"), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  ::IsDialogMessageW(main, &escape);
  Pump();
  EXPECT_EQ(fired, (std::vector<Fired>{{"cmdDelete", Event::Click}}));
}

TEST_F(WiringTest, TheArrowsPageThroughTheCardAndViewPreviews) {
  p.Start();
  EXPECT_EQ(p.program->txtSource.Text(), "IMG_0001.JPG");
  EXPECT_EQ(p.program->txtMessage.Text(),
            "Source list is set.  If you have files shown in the 'Source' box, you can click "
            "'Start' to copy them.  Otherwise, click 'Set Source' to select another photo "
            "source.");
  ASSERT_TRUE(::IsWindowEnabled(p.MainControl("cmdSourceNext")));
  ::SendMessageW(p.MainControl("cmdSourceNext"), BM_CLICK, 0, 0);
  EXPECT_EQ(p.program->txtSource.Text(), "IMG_0002.JPG");
  ::SendMessageW(p.MainControl("cmdSourceLast"), BM_CLICK, 0, 0);
  EXPECT_EQ(p.program->txtSource.Text(), "IMG_0003.JPG");
  EXPECT_FALSE(p.program->imgSource.HasPicture());
  ::SendMessageW(p.MainControl("cmdViewSource"), BM_CLICK, 0, 0);
  EXPECT_TRUE(p.program->imgSource.HasPicture());
  EXPECT_EQ(p.answers.unexpected, 0);
}

TEST_F(WiringTest, ADoubleClickOpensThePreviewInTheViewerAndEachXHidesIt) {
  p.Start();
  ::SendMessageW(p.MainControl("cmdViewSource"), BM_CLICK, 0, 0);
  const HWND picture = p.MainControl("imgSource");
  for (const char* button : {"cmdClose", "cmdClose1", "cmdClose2", "cmdClose3"}) {
    SCOPED_TRACE(button);
    ::SendMessageW(picture, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Pump();
    ASSERT_TRUE(::IsWindowVisible(p.Viewer()));
    EXPECT_TRUE(p.program->viewer_picture.HasPicture());
    EXPECT_EQ(::GetWindow(p.Viewer(), GW_OWNER), p.Main());
    ::SendMessageW(p.program->viewer_window.ControlWindow(button), BM_CLICK, 0, 0);
    Pump();
    EXPECT_FALSE(::IsWindowVisible(p.Viewer()));
    EXPECT_NE(p.Viewer(), nullptr) << "hidden, not unloaded";
  }
  // The close box hides it the same way.
  ::SendMessageW(picture, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  const HWND viewer = p.Viewer();
  ::SendMessageW(viewer, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(viewer));
  EXPECT_TRUE(::IsWindow(viewer));
  EXPECT_EQ(p.answers.unexpected, 0);
}

TEST_F(WiringTest, LeavingAnEmptyDateBoxFillsInTodaysShortDate) {
  p.Start();
  ::SetFocus(p.MainControl("txtDate"));
  ::SetFocus(p.MainControl("cmdStartCopy"));
  EXPECT_EQ(p.program->txtDate.Text(), ShortDateText(Today()));
}

TEST_F(WiringTest, CloseEndsTheProgramWithBothWindows) {
  p.Start();
  ::SendMessageW(p.MainControl("cmdViewSource"), BM_CLICK, 0, 0);
  ::SendMessageW(p.MainControl("imgSource"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  const HWND main = p.Main();
  const HWND viewer = p.Viewer();
  ASSERT_TRUE(::IsWindowVisible(viewer));
  ::SendMessageW(p.MainControl("cmdClose"), BM_CLICK, 0, 0);
  EXPECT_FALSE(::IsWindow(viewer));
  EXPECT_FALSE(::IsWindow(main));
  MSG quit{};
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WiringTest, TheMainWindowsCloseBoxEndsTheProgramAsCloseDoes) {
  p.Start();
  const HWND main = p.Main();
  const HWND viewer = p.Viewer();
  ASSERT_NE(viewer, nullptr);  // hidden since start-up
  ::SendMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(viewer));
  EXPECT_FALSE(::IsWindow(main));
  MSG quit{};
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WiringTest, NoLostFocusIsReportedWhileTheWindowIsTakenDown) {
  p.Start();
  ::SetFocus(p.MainControl("txtDate"));
  int lost_focus = 0;
  p.program->main_window.on_event = [&](std::string_view, Event event) {
    if (event == Event::LostFocus) ++lost_focus;
  };
  p.program->main_window.Unload();
  EXPECT_EQ(lost_focus, 0);
}

}  // namespace
}  // namespace pixferry::win32::testing
