// Helpers for the Qt front-end tests: answering modal dialogs from a timer, and running the
// event loop until the program ends.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace pixferry::qt::testing {

// Acts on the next modal dialog of type T once it is up. act returns true when it has answered
// the dialog, false to be asked again on the next tick (the dialog is still getting ready).
// After timeout_ms a modal dialog still open is rejected, so a failing test cannot hang.
template <class T>
class OnModal {
 public:
  explicit OnModal(std::function<bool(T&)> act, int timeout_ms = 5000)
      : act_(std::move(act)), timeout_ms_(timeout_ms) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    clock_.start();
    timer_.start();
  }
  bool answered() const { return answered_; }

 private:
  void Tick() {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      if (act_(*dialog)) {
        answered_ = true;
        timer_.stop();
        return;
      }
    }
    if (clock_.hasExpired(timeout_ms_)) {
      timer_.stop();
      if (auto* stuck = qobject_cast<QDialog*>(QApplication::activeModalWidget())) stuck->reject();
    }
  }

  std::function<bool(T&)> act_;
  int timeout_ms_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool answered_ = false;
};

// Drops the offscreen platform's notes about window features it lacks (raise, size hints), so
// that the test log shows what matters; everything else goes to QTest's own handler.
inline void QuietOffscreenNotes() {
  static QtMessageHandler previous = nullptr;
  previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                       const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
      return;
    if (previous) previous(type, context, message);
  });
}

// Runs the event loop after start() until the program ends; returns exec()'s result, or -1 when
// the program was still running after timeout_ms.
inline int RunUntilProgramEnds(const std::function<void()>& start, int timeout_ms = 5000) {
  QTimer::singleShot(0, start);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  watchdog.start(timeout_ms);
  const int result = QApplication::exec();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}

}  // namespace pixferry::qt::testing
