#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "tests/support/fakes.h"

namespace pixferry {
namespace {

using testing::Harness;

constexpr int kNo = -1;  // the click must change nothing at all

TEST(Navigation, FollowsTheTableAndTouchesNothingElse) {
  void (frmMain::*const moves[])() = {&frmMain::cmdSourceFirst_Click,
                                      &frmMain::cmdSourcePrevious_Click,
                                      &frmMain::cmdSourceNext_Click, &frmMain::cmdSourceLast_Click};
  // Entries "e1" .. "eN"; the new index after First, Previous, Next and Last.
  struct Case {
    std::int32_t count, index, expected[4];
  };
  const Case cases[] = {
      {0, 0, {kNo, kNo, kNo, kNo}},  // a fresh window
      {0, 7, {kNo, kNo, kNo, kNo}},  // emptied: the stale index does nothing
      {1, 1, {1, kNo, kNo, kNo}},    // First shows the only entry again
      {4, 1, {1, kNo, 2, 4}},        // no wrap backwards
      {4, 3, {1, 2, 4, 4}},         {4, 4, {1, 3, kNo, kNo}},  // no wrap forwards
      {4, 9, {kNo, kNo, kNo, kNo}},  // stale index beyond a shorter refilled list
  };
  for (const Case& c : cases) {
    for (int move = 0; move < 4; ++move) {
      SCOPED_TRACE(::testing::Message()
                   << "count " << c.count << ", index " << c.index << ", move " << move);
      Harness h;
      frmMain& form = *h.form;
      for (int i = 0; i <= c.count; ++i) form.strSourceFiles.push_back("e" + std::to_string(i));
      form.lngSourceCount = c.count;
      form.lngSourceIndex = c.index;
      h.txtSource.text = "shown before";
      form.strViewedFile = "earlier.jpg";

      (form.*moves[move])();

      const int expected = c.expected[move];
      EXPECT_EQ(form.lngSourceIndex, expected == kNo ? c.index : expected);
      EXPECT_EQ(h.txtSource.text,
                expected == kNo ? "shown before" : "e" + std::to_string(expected));
      EXPECT_TRUE(h.desktop.boxes.empty());
      // Navigation never previews and never enables a button.
      EXPECT_EQ(h.imgSource.loads, 0);
      EXPECT_EQ(form.strViewedFile, "earlier.jpg");
      EXPECT_FALSE(h.SourceButtonsEnabled() || h.TargetButtonsEnabled());
    }
  }
}

// The target buttons follow the same rules on their own list.
TEST(Navigation, TheTargetButtonsMoveOnlyTheTargetList) {
  Harness h;
  frmMain& form = *h.form;
  form.strTargetFiles = {"", "t1", "t2", "t3"};
  form.lngTargetCount = 3;
  form.lngTargetIndex = 1;
  form.cmdTargetPrevious_Click();  // nothing before the first
  form.cmdTargetLast_Click();
  EXPECT_EQ(h.txtTarget.text, "t3");
  form.cmdTargetNext_Click();  // nothing after the last
  form.cmdTargetPrevious_Click();
  EXPECT_EQ(h.txtTarget.text, "t2");
  form.cmdTargetFirst_Click();
  form.cmdTargetNext_Click();
  EXPECT_EQ(form.lngTargetIndex, 2);
  EXPECT_EQ(h.txtTarget.text, "t2");
  EXPECT_EQ(form.lngSourceIndex, 0);
  EXPECT_EQ(h.txtSource.text, "");
}

TEST(Navigation, AnEntryMissingFromTheArrayShowsTheStandardBox) {
  Harness h;
  h.form->strSourceFiles = {"", "s1"};  // the count claims more than the array holds
  h.form->lngSourceCount = 3;
  h.form->lngSourceIndex = 1;
  h.txtSource.text = "s1";
  h.form->cmdSourceNext_Click();
  EXPECT_EQ(h.desktop.boxes,
            (std::vector<testing::MessageBoxCall>{{"9 Subscript out of range", 0, ""}}));
  EXPECT_EQ(h.txtSource.text, "s1");
}

}  // namespace
}  // namespace pixferry
