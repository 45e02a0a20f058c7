#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "tests/support/fakes.h"

namespace pixferry {
namespace {

using testing::FakeTextBox;
using testing::Harness;

// One of the two lists, reached through the window's members, so every case runs on both.
struct ListSide {
  const char* name;
  std::vector<std::string> frmMain::*files;
  std::int32_t frmMain::*index;
  std::int32_t frmMain::*count;
  FakeTextBox Harness::*box;
  void (frmMain::*first)();
  void (frmMain::*previous)();
  void (frmMain::*next)();
  void (frmMain::*last)();
};

const ListSide kSource{"Source",
                       &frmMain::strSourceFiles,
                       &frmMain::lngSourceIndex,
                       &frmMain::lngSourceCount,
                       &Harness::txtSource,
                       &frmMain::cmdSourceFirst_Click,
                       &frmMain::cmdSourcePrevious_Click,
                       &frmMain::cmdSourceNext_Click,
                       &frmMain::cmdSourceLast_Click};
const ListSide kTarget{"Target",
                       &frmMain::strTargetFiles,
                       &frmMain::lngTargetIndex,
                       &frmMain::lngTargetCount,
                       &Harness::txtTarget,
                       &frmMain::cmdTargetFirst_Click,
                       &frmMain::cmdTargetPrevious_Click,
                       &frmMain::cmdTargetNext_Click,
                       &frmMain::cmdTargetLast_Click};

enum class Move { First, Previous, Next, Last };
constexpr int kNothing = -100;  // the click must change nothing at all

struct Case {
  const char* what;
  std::int32_t count;  // entries "e1" .. "eN"
  std::int32_t index;
  Move move;
  std::int32_t expected;  // new index, or kNothing
};

const Case kCases[] = {
    // An empty list, with an index fresh or stale: nothing moves.
    {"empty, index 0", 0, 0, Move::First, kNothing},
    {"empty, index 0", 0, 0, Move::Previous, kNothing},
    {"empty, index 0", 0, 0, Move::Next, kNothing},
    {"empty, index 0", 0, 0, Move::Last, kNothing},
    {"empty, stale index 1", 0, 1, Move::First, kNothing},
    {"empty, stale index 1", 0, 1, Move::Previous, kNothing},
    {"empty, stale index 1", 0, 1, Move::Next, kNothing},
    {"empty, stale index 1", 0, 1, Move::Last, kNothing},
    {"empty, stale index 5", 0, 5, Move::First, kNothing},
    {"empty, stale index 5", 0, 5, Move::Previous, kNothing},
    {"empty, stale index 5", 0, 5, Move::Next, kNothing},
    {"empty, stale index 5", 0, 5, Move::Last, kNothing},
    // One entry: First shows it again, nothing else moves.
    {"one entry", 1, 1, Move::First, 1},
    {"one entry", 1, 1, Move::Previous, kNothing},
    {"one entry", 1, 1, Move::Next, kNothing},
    {"one entry", 1, 1, Move::Last, kNothing},
    // Many entries: no wrap in either direction.
    {"at the first of 4", 4, 1, Move::First, 1},
    {"at the first of 4", 4, 1, Move::Previous, kNothing},
    {"at the first of 4", 4, 1, Move::Next, 2},
    {"at the first of 4", 4, 1, Move::Last, 4},
    {"in the middle of 4", 4, 3, Move::First, 1},
    {"in the middle of 4", 4, 3, Move::Previous, 2},
    {"in the middle of 4", 4, 3, Move::Next, 4},
    {"in the middle of 4", 4, 3, Move::Last, 4},
    {"at the last of 4", 4, 4, Move::First, 1},
    {"at the last of 4", 4, 4, Move::Previous, 3},
    {"at the last of 4", 4, 4, Move::Next, kNothing},
    {"at the last of 4", 4, 4, Move::Last, kNothing},
    // A stale index beyond a shorter list that was refilled: nothing moves.
    {"stale index 9 of 4", 4, 9, Move::First, kNothing},
    {"stale index 9 of 4", 4, 9, Move::Previous, kNothing},
    {"stale index 9 of 4", 4, 9, Move::Next, kNothing},
    {"stale index 9 of 4", 4, 9, Move::Last, kNothing},
    // Signed comparisons: index 0 lies below the count.
    {"index 0 of 4", 4, 0, Move::First, 1},
    {"index 0 of 4", 4, 0, Move::Previous, kNothing},
    {"index 0 of 4", 4, 0, Move::Next, 1},
    {"index 0 of 4", 4, 0, Move::Last, 4},
    {"index -3 of 2", 2, -3, Move::First, 1},
    {"index -3 of 2", 2, -3, Move::Previous, kNothing},
    {"index -3 of 2", 2, -3, Move::Last, 2},
};

void Click(frmMain& form, const ListSide& side, Move move) {
  switch (move) {
    case Move::First:
      (form.*side.first)();
      break;
    case Move::Previous:
      (form.*side.previous)();
      break;
    case Move::Next:
      (form.*side.next)();
      break;
    case Move::Last:
      (form.*side.last)();
      break;
  }
}

const char* MoveName(Move move) {
  switch (move) {
    case Move::First:
      return "First";
    case Move::Previous:
      return "Previous";
    case Move::Next:
      return "Next";
    case Move::Last:
      return "Last";
  }
  return "?";
}

TEST(Navigation, FollowsTheTableOnBothLists) {
  for (const ListSide* side : {&kSource, &kTarget}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(side->name) + ", " + c.what + ", " + MoveName(c.move));
      Harness h;
      frmMain& form = *h.form;
      std::vector<std::string> files{""};
      for (std::int32_t i = 1; i <= c.count; ++i) files.push_back("e" + std::to_string(i));
      form.*side->files = files;
      form.*side->count = c.count;
      form.*side->index = c.index;
      FakeTextBox& box = h.*side->box;
      box.text = "shown before";
      h.imgSource.picture = "earlier.jpg";
      form.strViewedFile = "earlier.jpg";
      form.strViewedList = "Target";

      Click(form, *side, c.move);

      if (c.expected == kNothing) {
        EXPECT_EQ(form.*side->index, c.index);
        EXPECT_EQ(box.text, "shown before");
      } else {
        EXPECT_EQ(form.*side->index, c.expected);
        EXPECT_EQ(box.text, "e" + std::to_string(c.expected));
      }
      EXPECT_TRUE(h.desktop.boxes.empty());
      // Navigation never previews and never enables or disables a button.
      EXPECT_EQ(h.imgSource.picture, "earlier.jpg");
      EXPECT_EQ(h.imgSource.loads, 0);
      EXPECT_EQ(form.strViewedFile, "earlier.jpg");
      EXPECT_EQ(form.strViewedList, "Target");
      EXPECT_FALSE(h.SourceButtonsEnabled());
      EXPECT_FALSE(h.TargetButtonsEnabled());
    }
  }
}

TEST(Navigation, ListsMoveIndependently) {
  Harness h;
  frmMain& form = *h.form;
  form.strSourceFiles = {"", "s1", "s2", "s3"};
  form.lngSourceCount = 3;
  form.lngSourceIndex = 1;
  form.strTargetFiles = {"", "t1", "t2"};
  form.lngTargetCount = 2;
  form.lngTargetIndex = 1;

  form.cmdSourceLast_Click();
  form.cmdTargetNext_Click();
  form.cmdSourcePrevious_Click();

  EXPECT_EQ(form.lngSourceIndex, 2);
  EXPECT_EQ(h.txtSource.text, "s2");
  EXPECT_EQ(form.lngTargetIndex, 2);
  EXPECT_EQ(h.txtTarget.text, "t2");
}

TEST(Navigation, AnEntryMissingFromTheArrayShowsTheStandardBox) {
  Harness h;
  frmMain& form = *h.form;
  form.strSourceFiles = {"", "s1"};  // the count claims more than the array holds
  form.lngSourceCount = 3;
  form.lngSourceIndex = 1;
  h.txtSource.text = "s1";

  form.cmdSourceNext_Click();

  ASSERT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(h.desktop.boxes[0], (testing::MessageBoxCall{"9 Subscript out of range", 0, ""}));
  EXPECT_EQ(h.txtSource.text, "s1");
}

}  // namespace
}  // namespace pixferry
