#include "ui/qt/QtDesktop.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include "ui/qt/FolderDialog.h"
#include "ui/qt/OpenWithProgram.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/Text.h"

namespace pixferry::qt {
namespace {

// Often enough that the desktop never sees the window hang and the status box's progress shows,
// seldom enough to cost a long job nothing.
constexpr std::chrono::milliseconds kAliveEvery{100};

QMessageBox::Icon IconFor(int style) {
  switch (style & mb::kIconMask) {
    case mb::kStop:
      return QMessageBox::Critical;
    case mb::kQuestion:
      return QMessageBox::Question;
    case mb::kExclamation:
      return QMessageBox::Warning;
    case mb::kInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int ShowMessageBox(QWidget* parent, std::string_view text, int style, std::string_view title) {
  QMessageBox box(parent);
  box.setWindowTitle(PlainTitle(title.empty() ? kAppTitle : title));
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQString(text));
  box.setIcon(IconFor(style));
  QPushButton* yes = nullptr;
  QPushButton* no = nullptr;
  if ((style & mb::kButtonsMask) == mb::kYesNo) {
    yes = box.addButton(QMessageBox::Yes);
    no = box.addButton(QMessageBox::No);
    box.setDefaultButton((style & mb::kDefaultMask) == mb::kDefaultButton2 ? no : yes);
    // Escape and the close box answer No: never a silent Yes to a question.
    box.setEscapeButton(no);
  } else {
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
  }
  // Plain text buttons without icons, whatever the style's habit.
  for (QAbstractButton* button : box.buttons()) button->setIcon(QIcon());
  box.exec();
  if (yes && box.clickedButton() == yes) return mb::kAnswerYes;
  if (no) return mb::kAnswerNo;
  return mb::kAnswerOk;
}

QtDesktop::QtDesktop(QtWindow& main_window) : main_window_(main_window) {}

QtDesktop::~QtDesktop() = default;

QWidget* QtDesktop::DialogParent() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return main_window_.widget();
}

int QtDesktop::MsgBox(std::string_view text, int style, std::string_view title) {
  return ShowMessageBox(DialogParent(), text, style, title);
}

std::string QtDesktop::PickFolder(const std::string& start_folder, const std::string& title) {
  return PickFolderDialog(main_window_.widget(), start_folder, title);
}

// The XDG user folder of pictures (user-dirs.dirs), else ~/Pictures.
std::string QtDesktop::PicturesFolder() {
  return ToStdString(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
}

std::string QtDesktop::HomeFolder() {
  return ToStdString(QDir::homePath());
}

void QtDesktop::OpenWithProgram(const std::string& program, const std::string& parameters,
                                const std::string& directory) {
  StartProgram(program, parameters, directory);
}

void QtDesktop::KeepAlive() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_alive_ < kAliveEvery) return;
  last_alive_ = now;
  if (!QCoreApplication::instance()) return;
  // Paints, timers, the window manager's pings and posted events; clicks and keys wait in the
  // window system's queue until the job has ended. A handler the posted events would start
  // waits in the program's handler queue.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  // On X with GLib's event loop, input held back moves on only when the loop wakes again, which
  // after the job could be the operator's next mouse move: a turn of the loop queued here wakes
  // it as soon as the job is over (a turn taken during the job queues the next one).
  if (release_turn_) return;
  release_turn_ = std::make_unique<QObject>();
  QTimer::singleShot(0, release_turn_.get(), [this] { release_turn_.release()->deleteLater(); });
}

}  // namespace pixferry::qt
