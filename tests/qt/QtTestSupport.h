// Helpers for the Qt front-end tests: answering modal dialogs from a timer.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

namespace pixferry::qt::testing {

// Acts on the next modal dialog of type T once it is up. act returns true when it has answered
// the dialog, false to be asked again on the next tick (the dialog is still getting ready).
// After five seconds a modal dialog still open is rejected, so a failing test cannot hang.
template <class T>
class OnModal {
 public:
  explicit OnModal(std::function<bool(T&)> act) {
    QObject::connect(&timer_, &QTimer::timeout, [this, act, deadline = QDeadlineTimer(5000)] {
      auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
      if (dialog && act(*dialog)) {
        answered_ = true;
      } else if (!deadline.hasExpired()) {
        return;
      } else if (auto* stuck = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        stuck->reject();
      }
      timer_.stop();
    });
    timer_.start(10);
  }
  bool answered() const { return answered_; }

 private:
  QTimer timer_;
  bool answered_ = false;
};

// A message box as the operator saw it.
struct SeenBox {
  QString text, title;
  bool plain_text = false;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButton default_button = QMessageBox::NoButton;
  QWidget* parent = nullptr;
  QList<QMessageBox::StandardButton> buttons;  // icon-less ones only
};

// For OnModal<QMessageBox>: notes the box in seen, then presses press, or with NoButton the key.
inline std::function<bool(QMessageBox&)> Press(QMessageBox::StandardButton press, SeenBox& seen,
                                               Qt::Key key = Qt::Key_Escape) {
  return [press, &seen, key](QMessageBox& box) {
    if (!box.isVisible() || !box.windowHandle()) return false;
    seen = SeenBox{box.text(),
                   box.windowHandle()->title(),
                   box.textFormat() == Qt::PlainText,
                   box.icon(),
                   box.standardButton(box.defaultButton()),
                   box.parentWidget(),
                   {}};
    for (QAbstractButton* b : box.buttons()) {
      if (b->icon().isNull()) seen.buttons << box.standardButton(b);
    }
    press == QMessageBox::NoButton ? QTest::keyClick(&box, key) : box.button(press)->click();
    return true;
  };
}

}  // namespace pixferry::qt::testing
