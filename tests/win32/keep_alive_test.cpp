// A long job inside a click keeps the window alive: the system never calls it hung, it paints
// and answers other threads, while clicks wait for the job's end and no second handler starts.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "tests/support/fakes.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry::win32::testing {
namespace {

using pixferry::testing::KeepAliveFor;

// Longer than the 5 seconds after which the system calls a window that does not look at its
// messages hung.
TEST(KeepAlive, ALongJobAnswersTheSystemAndLeavesAClickForAfterIt) {
  ProgramFixture p;
  frmMain& form = p.program->form;
  ASSERT_EQ(form.lngSourceIndex, 1);
  // What a second thread sees of the window while the job runs, until it is done asking; a
  // question under way still waits for its answer.
  std::atomic<bool> done{false};
  std::atomic<int> hung{0}, answered{0}, asked{0};
  std::jthread watcher([&, main = p.Main()] {
    for (; !done; ::Sleep(250), ++asked) {
      if (::IsHungAppWindow(main)) ++hung;
      DWORD_PTR result = 0;
      if (::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++answered;
    }
  });
  bool painted = false, viewer_painted = false, input_waited = true;
  const HWND incident = p.MainControl("txtIncidentNumber");
  p.program->viewer_window.Show(&p.program->main_window);  // the viewer open during the job
  Pump(50);
  p.program->handlers.Run([&] {
    ::PostMessageW(p.MainControl("cmdSourceNext"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::PostMessageW(p.MainControl("cmdSourceNext"), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ::PostMessageW(incident, WM_CHAR, L'7', 1);  // a key typed meanwhile
    ::InvalidateRect(p.MainControl("txtMessage"), nullptr, TRUE);
    ::InvalidateRect(p.Viewer(), nullptr, TRUE);
    KeepAliveFor(p.program->desktop, 6000, [&] {
      // Neither the click nor the key has run.
      input_waited = input_waited && form.lngSourceIndex == 1 && WindowTextOf(incident).empty();
      RECT r{};
      painted = painted || !::GetUpdateRect(p.MainControl("txtMessage"), &r, FALSE);
      viewer_painted = viewer_painted || !::GetUpdateRect(p.Viewer(), &r, FALSE);
    });
    done = true;
    KeepAliveFor(p.program->desktop, 1200, [&] {
      input_waited = input_waited && form.lngSourceIndex == 1 && WindowTextOf(incident).empty();
    });
  });
  EXPECT_TRUE(input_waited);
  watcher.join();
  EXPECT_TRUE(painted);
  EXPECT_TRUE(viewer_painted);
  EXPECT_EQ(hung, 0);
  EXPECT_GE(asked, 10);
  EXPECT_EQ(answered, asked);
  Pump(100);
  EXPECT_EQ(form.lngSourceIndex, 2);  // ...and runs once the job is over
  EXPECT_EQ(WindowTextOf(incident), "7");
}

// A close request the system sends during the job (a sent message runs at once) must not take
// the windows down under it: Close runs after the job.
TEST(KeepAlive, ACloseRequestDuringAJobWaitsForItsEnd) {
  ProgramFixture p;
  static HWND main = nullptr;
  main = p.Main();
  bool alive_throughout = true;
  p.program->handlers.Run([&] {
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
      ::KillTimer(nullptr, id);
      ::SendMessageW(main, WM_CLOSE, 0, 0);
    });
    KeepAliveFor(p.program->desktop, 500,
                 [&] { alive_throughout = alive_throughout && ::IsWindow(main); });
    ::KillTimer(nullptr, timer);
  });
  EXPECT_TRUE(alive_throughout);
  EXPECT_FALSE(::IsWindow(main));  // closed when the job ended
}

}  // namespace
}  // namespace pixferry::win32::testing
