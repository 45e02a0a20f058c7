// Events reach the window's handlers through the table, one handler at a time, and nothing a
// handler throws goes further.
#include "app/Dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/HandlerQueue.h"
#include "platform/errors.h"
#include "tests/support/fakes.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::MessageBoxCall;
using Boxes = std::vector<MessageBoxCall>;

TEST(Dispatch, AnEventNoRowBindsDoesNothing) {
  Harness h;
  h.form->strSourceFiles = {"", "e1", "e2"};
  h.form->lngSourceCount = 2;
  h.form->lngSourceIndex = 1;
  EXPECT_FALSE(Dispatch(*h.form, "cmdSourceNext", Event::DblClick));
  EXPECT_FALSE(Dispatch(*h.form, "cmdNowhere", Event::Click));
  EXPECT_FALSE(Dispatch(*h.form, "txtSource", Event::LostFocus));
  EXPECT_EQ(h.form->lngSourceIndex, 1);
  EXPECT_EQ(h.txtSource.text, "");
  EXPECT_TRUE(h.desktop.boxes.empty());
}

// A list whose count runs past its names fails inside the handler; the handler's own box then
// fails too, and what escapes the handler is reported in a box of its own, never thrown on.
TEST(Dispatch, WhatEscapesAHandlerIsShownInABoxAndGoesNoFurther) {
  Harness h;
  h.form->strSourceFiles = {"", "e1"};
  h.form->lngSourceCount = 3;
  h.form->lngSourceIndex = 1;
  int failures_left = 1;
  h.desktop.on_box = [&](const MessageBoxCall&) {
    if (failures_left-- > 0) throw RuntimeError(err::kDiskNotReady);
  };
  EXPECT_NO_THROW(Dispatch(*h.form, "cmdSourceNext", Event::Click));
  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{"9 Subscript out of range", 0, ""}, {"71 Disk not ready", 0, ""}}));

  // When even that box fails there is nothing left to report with: still nothing escapes.
  failures_left = 2;
  EXPECT_NO_THROW(Dispatch(*h.form, "cmdSourceNext", Event::Click));
  EXPECT_EQ(h.desktop.boxes.size(), 4u);
}

// An event that arrives while a handler runs waits for its end; events run in the order they came.
TEST(HandlerQueue, AHandlerNeverStartsInsideAnother) {
  HandlerQueue queue;
  std::string order;
  queue.Run([&] {
    order += "job(";
    queue.Run([&] { order += "click "; });
    queue.Run([&] {
      order += "close ";
      queue.Run([&] { order += "last "; });
    });
    order += ") ";
  });
  EXPECT_EQ(order, "job() click close last ");
}

}  // namespace
}  // namespace pixferry
