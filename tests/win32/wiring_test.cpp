// Real window messages reach the core: each control's event through the wiring table, none while
// the window is taken down, and the road of a typical job to the close box.
#include <gtest/gtest.h>

#include <utility>

#include "app/Dispatch.h"
#include "platform/dates.h"
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

TEST(TypicalJob, StartCopiesTheCardThePhotoIsViewedTheCardIsCleansedAndTheCloseBoxEnds) {
  ProgramFixture p;
  auto click = [&](HWND button) {
    ASSERT_TRUE(::IsWindowEnabled(button));
    ::SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
  };
  ::SetWindowTextW(p.MainControl("txtIncidentNumber"), L"0815-22");
  ::SetWindowTextW(p.MainControl("txtUser"), L"Desk 4");
  ::SetWindowTextW(p.MainControl("txtDate"), Widen(ShortDateText({2008, 3, 2})).c_str());
  click(p.MainControl("cmdStartCopy"));
  const std::string case_folder = p.cases + "\\0815-22_Desk_4_2008-03-02";
  for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
    EXPECT_EQ(pixferry::testing::ReadFile(case_folder + "\\" + name),
              pixferry::testing::JpegBytes())
        << name;
  }
  click(p.MainControl("cmdTargetLast"));
  click(p.MainControl("cmdViewTarget"));
  ::SendMessageW(p.MainControl("imgSource"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(::IsWindowVisible(p.Viewer()));
  EXPECT_TRUE(p.program->viewer_picture.HasPicture());

  pixferry::testing::GuardDeletion(p.media);
  p.answers.Then(IDYES);
  click(p.MainControl("cmdDelete"));
  ASSERT_EQ(p.answers.seen.size(), 1u);
  const DialogSeen& box = p.answers.seen[0];
  EXPECT_EQ(box.text, "Are you sure you want to delete the source files from " + p.media + "?");
  EXPECT_EQ(box.title, "Delete?");
  EXPECT_TRUE(box.has_yes && box.has_no && box.has_icon);
  EXPECT_FALSE(pixferry::testing::Exists(p.media));
  EXPECT_TRUE(pixferry::testing::Exists(case_folder + "\\IMG_0003.JPG"));

  // The close box ends the program as Close does, the viewer included.
  const HWND main = p.Main(), viewer = p.Viewer();
  ::SendMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(viewer));
  EXPECT_FALSE(::IsWindow(main));
  MSG quit{};
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace pixferry::win32::testing
