#include "ui/qt/QtControls.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace pixferry::qt {
namespace {

// Centres the whole window, frame included, once the frame is known (after it is shown).
void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize frame = window.frameGeometry().size();
  window.move(area.x() + (area.width() - frame.width()) / 2,
              area.y() + (area.height() - frame.height()) / 2);
}

}  // namespace

template <class T>
T* QtControl::Find() const {
  FormWidget* form = window_ ? window_->widget() : nullptr;
  return form ? form->ControlAs<T>(name_) : nullptr;
}

QtWindow::QtWindow(const FormLayout& desc, FormStyle style)
    : layout_(desc), style_(std::move(style)) {}

QtWindow::~QtWindow() {
  delete form_.data();
}

void QtWindow::Load() {
  if (form_) return;
  form_ = new FormWidget(layout_, ScreenDpi(), style_);
  CentreOnScreen(*form_);
  placed_ = false;
  form_->on_close_request = [this] {
    if (close_request_) close_request_();
  };
  if (on_load_) on_load_(*form_);
}

void QtWindow::Show(Window* owner) {
  Load();
  // An owned window stays above its owner and has no taskbar button of its own.
  if (auto* owner_window = dynamic_cast<QtWindow*>(owner)) {
    FormWidget* owner_form = owner_window->widget();
    if (owner_form && owner_form != form_ && form_->parentWidget() != owner_form) {
      const QPoint place = form_->pos();
      form_->setParent(owner_form, form_->windowFlags());
      form_->move(place);
    }
  }
  form_->show();
  if (!placed_) {
    CentreOnScreen(*form_);  // afterwards it stays where it was last
    placed_ = true;
  }
  form_->raise();
  form_->activateWindow();
}

void QtWindow::Hide() {
  if (form_) form_->hide();
}

bool QtWindow::IsVisible() const {
  return form_ && form_->isVisible();
}

void QtWindow::Bind(std::string_view name, QtControl& control) {
  control.window_ = this;
  control.name_ = name;
}

void QtWindow::Unload() {
  if (!form_) return;
  FormWidget* form = form_.data();
  form_.clear();
  form->Retire();
  // Closing the last primary window ends the event loop; the widget goes once control has
  // left the handler that is running (it may be one of its own buttons).
  form->close();
  form->deleteLater();
}

std::string QtTextBox::Text() const {
  if (auto* line = Find<QLineEdit>()) return CoreText(*line, line->text());
  if (auto* box = Find<QTextEdit>()) return CoreText(*box, box->toPlainText());
  return {};
}

void QtTextBox::SetText(std::string_view text) {
  if (auto* line = Find<LineEdit>()) {
    KeepCoreBytes(*line, text);
    line->SetPlainText(ToQString(text));
  } else if (auto* box = Find<StatusBox>()) {
    KeepCoreBytes(*box, text);
    box->SetPlainText(ToQString(text));
  }
}

void QtTextBox::Refresh() {
  // Painted now, with its scroll bar and text area, although no event is handled until the
  // running handler returns.
  if (auto* box = Find<QWidget>()) box->repaint();
}

bool QtButton::Enabled() const {
  auto* button = Find<QPushButton>();
  return button && button->isEnabled();
}

void QtButton::SetEnabled(bool enabled) {
  if (auto* button = Find<QPushButton>()) button->setEnabled(enabled);
}

void QtPictureBox::LoadPicture(const std::string& path) {
  // Using a control of a window that is not loaded loads the window first.
  if (window_) window_->Load();
  if (auto* picture = Find<PictureView>()) picture->LoadPicture(path);
}

bool QtPictureBox::HasPicture() const {
  auto* picture = Find<PictureView>();
  return picture && picture->HasPicture();
}

}  // namespace pixferry::qt
