// Events reach the window's handlers through the table, one handler at a time, and nothing a
// handler throws goes further.
#include "app/Dispatch.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/FormLayouts.h"
#include "app/HandlerQueue.h"
#include "platform/errors.h"
#include "tests/support/fakes.h"

namespace pixferry {
namespace {

using testing::Harness;
using testing::MessageBoxCall;
using Boxes = std::vector<MessageBoxCall>;

// The layout and wiring tables agree with the one list of controls: each control of the set has
// one layout row of its kind, and each wiring row names a control of the set that has its event.
TEST(Dispatch, TheLayoutAndWiringTablesAgreeWithTheControlSet) {
  struct Kinds {
    std::map<std::string_view, ControlKind> of;
    void Bind(std::string_view name, TextBox&) { of.emplace(name, ControlKind::TextBox); }
    void Bind(std::string_view name, Button&) { of.emplace(name, ControlKind::Button); }
    void Bind(std::string_view name, PictureBox&) { of.emplace(name, ControlKind::PictureBox); }
  } set, laid_out;
  Harness{}.BindTo(set);
  for (const ControlLayout& row : MainFormLayout().controls) {
    const bool control = row.kind == ControlKind::TextBox || row.kind == ControlKind::Button ||
                         row.kind == ControlKind::PictureBox;
    EXPECT_TRUE(!control || laid_out.of.emplace(row.name, row.kind).second) << row.name;
  }
  EXPECT_EQ(laid_out.of, set.of);
  for (const EventBinding& row : MainFormEvents()) {
    const ControlKind kind = row.event == Event::Click      ? ControlKind::Button
                             : row.event == Event::DblClick ? ControlKind::PictureBox
                                                            : ControlKind::TextBox;
    EXPECT_TRUE(set.of.contains(row.control) && set.of.at(row.control) == kind) << row.control;
  }
}

// An event no row binds runs nothing. A list whose count runs past its names fails inside the
// handler; the handler's own box then fails too, and what escapes is shown in a box of its own.
TEST(Dispatch, WhatEscapesAHandlerIsShownInABoxAndGoesNoFurther) {
  Harness h;
  h.form->strSourceFiles = {"", "e1"};
  h.form->lngSourceCount = 3;
  h.form->lngSourceIndex = 1;
  EXPECT_FALSE(Dispatch(*h.form, "cmdSourceNext", Event::DblClick));
  EXPECT_FALSE(Dispatch(*h.form, "cmdNowhere", Event::Click));
  EXPECT_FALSE(Dispatch(*h.form, "txtSource", Event::LostFocus));
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
