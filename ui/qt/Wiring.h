// Translates the widgets' signals into the core's events, row by row of an event table.
#pragma once

#include <functional>
#include <span>

#include "app/Dispatch.h"
#include "ui/qt/FormWidget.h"

namespace pixferry::qt {

// Connects each row of table to the widget of its control in form; run receives the row when
// the event happens. Returns the number of rows connected (a row whose control or event the
// form lacks is not).
int ConnectEvents(FormWidget& form, std::span<const EventBinding> table,
                  std::function<void(const EventBinding&)> run);

// The viewer's four "X" buttons.
void ConnectViewerButtons(FormWidget& form, std::function<void()> close_action);

}  // namespace pixferry::qt
