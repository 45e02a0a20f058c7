#include <gtest/gtest.h>

#include "app/layout.h"
#include "app/wiring.h"

namespace pixferry {
namespace {

TEST(Layout, WindowsHaveTheirClientSizesInTwips) {
  EXPECT_EQ(MainFormLayout().client_width, 6975);
  EXPECT_EQ(MainFormLayout().client_height, 4935);
  EXPECT_EQ(ViewerFormLayout().client_width, 9705);
  EXPECT_EQ(ViewerFormLayout().client_height, 7320);
  EXPECT_EQ(TwipsToPixels(6975, 96), 465);
  EXPECT_EQ(TwipsToPixels(4935, 96), 329);
  EXPECT_EQ(TwipsToPixels(6975, 144), 698);
}

TEST(Layout, TabIndicesRunWithoutGapsInTableOrder) {
  int expected = 0;
  for (const ControlSpec& c : MainFormLayout().controls) {
    if (c.tab_index < 0) continue;
    EXPECT_EQ(c.tab_index, expected) << c.name;
    ++expected;
  }
  EXPECT_EQ(expected, 25);
}

TEST(Layout, TheTenListButtonsStartDisabledAndTheRestEnabled) {
  int disabled = 0;
  for (const ControlSpec& c : MainFormLayout().controls) {
    if (c.kind != ControlKind::Button) continue;
    const bool list_button = c.name.starts_with("cmdSource") && c.name != "cmdSource";
    const bool target_button = c.name.starts_with("cmdTarget") || c.name == "cmdViewTarget";
    const bool expect_enabled = !(list_button || target_button || c.name == "cmdViewSource");
    EXPECT_EQ(c.enabled, expect_enabled) << c.name;
    if (!c.enabled) ++disabled;
  }
  EXPECT_EQ(disabled, 10);
}

TEST(Wiring, EveryHandledControlExistsInTheLayout) {
  for (const EventBinding& b : MainFormEvents()) {
    EXPECT_NE(FindControl(MainFormLayout(), b.control), nullptr) << b.control;
  }
  EXPECT_EQ(MainFormEvents().size(), 16u);
}

}  // namespace
}  // namespace pixferry
