// Event wiring: control name and event to the core handler. Both front ends connect their widgets
// from this table, so no handler is wired in one and forgotten in the other.
#pragma once

#include <span>
#include <string_view>

#include "app/frmMain.h"

namespace pixferry {

enum class Event { Click, DblClick, LostFocus };

struct EventBinding {
  std::string_view control;
  Event event;
  void (frmMain::*handler)();
};

std::span<const EventBinding> MainFormEvents();

}  // namespace pixferry
