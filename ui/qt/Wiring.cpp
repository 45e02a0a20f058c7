#include "ui/qt/Wiring.h"

#include <QPointer>
#include <QPushButton>

#include "ui/qt/Widgets.h"

namespace pixferry::qt {

int ConnectEvents(FormWidget& form, std::span<const EventBinding> table,
                  std::function<void(const EventBinding&)> run) {
  int connected = 0;
  for (const EventBinding& row : table) {
    QPointer<FormWidget> owner(&form);
    // An unloaded window passes nothing on: its last events come while it is taken down.
    auto fire = [owner, run, &row] {
      if (owner && owner->Live()) run(row);
    };
    QWidget* widget = form.Control(row.control);
    switch (row.event) {
      case Event::Click:
        if (auto* button = dynamic_cast<QPushButton*>(widget)) {
          QObject::connect(button, &QPushButton::clicked, &form, fire);
          ++connected;
        }
        break;
      case Event::DblClick:
        if (auto* picture = dynamic_cast<PictureView*>(widget)) {
          picture->on_double_click = fire;
          ++connected;
        }
        break;
      case Event::LostFocus:
        if (auto* box = dynamic_cast<LineEdit*>(widget)) {
          box->on_lost_focus = fire;
          ++connected;
        }
        break;
    }
  }
  return connected;
}

void ConnectViewerButtons(FormWidget& form, std::function<void()> close_action) {
  for (const ControlLayout& control : form.desc().controls) {
    auto* button = dynamic_cast<QPushButton*>(form.Control(control.name));
    if (!button) continue;
    QPointer<FormWidget> owner(&form);
    QObject::connect(button, &QPushButton::clicked, &form, [owner, close_action] {
      if (owner && owner->Live()) close_action();
    });
  }
}

}  // namespace pixferry::qt
