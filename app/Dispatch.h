// Event dispatch: control name and event to the core handler. Both front ends only translate
// their native events into a control's name and an Event and hand them here, so no handler is
// wired in one and forgotten in the other, and both trap errors the same way.
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

// Runs a handler of the main window; whatever escapes it is shown as an error box, never a crash
// of the event loop.
void RunTrapped(frmMain& form, void (frmMain::*handler)());

// Runs the handler the table binds to control and event, trapped. False when none is bound.
bool Dispatch(frmMain& form, std::string_view control, Event event);

}  // namespace pixferry
