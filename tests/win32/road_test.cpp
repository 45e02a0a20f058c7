// The road of a typical job on the real windows: start-up on a card, Start, the copies, paging
// and viewing the copies, the viewer, and Delete of the card's photo folder (in a temporary
// folder, behind the deletion guard).
#include <gtest/gtest.h>

#include "platform/dates.h"
#include "platform/win32/wide.h"
#include "tests/support/tempdir.h"
#include "tests/win32/Win32Testing.h"

namespace pixferry::win32::testing {
namespace {

using pixferry::testing::Exists;
using pixferry::testing::JpegBytes;
using pixferry::testing::ReadFile;

void Type(HWND box, const std::string& text) {
  ::SetFocus(box);
  ::SetWindowTextW(box, Widen(text).c_str());
}

void Click(HWND button) {
  ASSERT_TRUE(::IsWindowEnabled(button));
  ::SendMessageW(button, BM_CLICK, 0, 0);
  Pump();
}

TEST(TypicalJob, StartCopiesTheCardThenTheCopiesAreViewedAndTheCardIsCleansed) {
  ProgramFixture p;
  p.Start();
  ASSERT_EQ(p.program->txtSource.Text(), "IMG_0001.JPG");

  Type(p.MainControl("txtIncidentNumber"), "0815-22");
  Type(p.MainControl("txtUser"), "Desk 4");
  Type(p.MainControl("txtDate"), ShortDateText({2008, 3, 2}));
  Click(p.MainControl("cmdStartCopy"));

  const std::string case_folder = p.cases + "\\0815-22_Desk_4_2008-03-02";
  for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
    EXPECT_EQ(ReadFile(case_folder + "\\" + name), JpegBytes()) << name;
  }
  EXPECT_EQ(p.program->txtMessage.Text(),
            "Photos copied successfully.  If you'd like to cleanse the photos from your "
            "source(disk), click 'Delete'.");
  EXPECT_EQ(p.program->txtTarget.Text(), "IMG_0001.JPG");

  Click(p.MainControl("cmdTargetLast"));
  EXPECT_EQ(p.program->txtTarget.Text(), "IMG_0003.JPG");
  Click(p.MainControl("cmdViewTarget"));
  EXPECT_TRUE(p.program->imgSource.HasPicture());
  ::SendMessageW(p.MainControl("imgSource"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  Pump();
  ASSERT_TRUE(::IsWindowVisible(p.Viewer()));
  EXPECT_TRUE(p.program->viewer_picture.HasPicture());
  Click(p.program->viewer_window.ControlWindow("cmdClose2"));
  EXPECT_FALSE(::IsWindowVisible(p.Viewer()));

  pixferry::testing::GuardDeletion(p.media);
  p.answers.Then(DialogAnswerer::Press(IDYES));
  Click(p.MainControl("cmdDelete"));
  ASSERT_EQ(p.answers.seen.size(), 1u);
  EXPECT_EQ(p.answers.seen[0].text,
            "Are you sure you want to delete the source files from " + p.media + "?");
  EXPECT_EQ(p.answers.seen[0].title, "Delete?");
  EXPECT_TRUE(p.answers.seen[0].has_yes && p.answers.seen[0].has_no);
  EXPECT_FALSE(Exists(p.media));
  EXPECT_TRUE(Exists(case_folder + "\\IMG_0003.JPG"));
  EXPECT_EQ(p.program->txtSource.Text(), "");
  EXPECT_FALSE(::IsWindowEnabled(p.MainControl("cmdSourceNext")));
  EXPECT_EQ(p.program->txtMessage.Text(), "Photos have been cleansed from the source.");
  EXPECT_EQ(p.answers.unexpected, 0);
}

}  // namespace
}  // namespace pixferry::win32::testing
