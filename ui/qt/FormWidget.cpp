#include "ui/qt/FormWidget.h"

#include <QCloseEvent>
#include <QColor>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ui/qt/Fonts.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace pixferry::qt {
namespace {

const FontLayout& FontOf(const ControlLayout& control) {
  return control.font == FontId::Status ? kStatusFont : kBodyFont;
}

void SetTextBoxColours(QWidget* box) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, QColor::fromRgb(kScrollBarColour));
  box->setPalette(palette);
}

}  // namespace

int ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
}

FormWidget::FormWidget(const FormLayout& desc, int dpi, const FormStyle& style, QWidget* parent)
    : QWidget(parent, style.flags), layout_(desc), dpi_(dpi) {
  setObjectName(ToQString(desc.name));
  setWindowTitle(PlainTitle(desc.title));
  if (!style.icon.isNull()) setWindowIcon(style.icon);
  setFixedSize(TwipsToPixels(desc.client_width, dpi), TwipsToPixels(desc.client_height, dpi));

  for (const ControlLayout& control : desc.controls) {
    if (control.kind == ControlKind::Background) {
      background_ = QImage(style.background);
      continue;
    }
    if (QWidget* widget = CreateControl(control)) controls_.emplace_back(control.name, widget);
  }
  // Picture boxes lie beneath the buttons drawn on top of them.
  for (const auto& [name, widget] : controls_) {
    if (dynamic_cast<PictureView*>(widget)) widget->lower();
  }
  SetTabOrder();
  if (QWidget* first = Control(desc.first_focus)) first->setFocus(Qt::OtherFocusReason);
}

QRect FormWidget::PixelRect(const ControlLayout& c) const {
  return QRect(TwipsToPixels(c.left, dpi_), TwipsToPixels(c.top, dpi_),
               TwipsToPixels(c.width, dpi_), TwipsToPixels(c.height, dpi_));
}

QWidget* FormWidget::Control(std::string_view name) const {
  for (const auto& [control_name, widget] : controls_) {
    if (control_name == name) return widget;
  }
  return nullptr;
}

QWidget* FormWidget::CreateControl(const ControlLayout& control) {
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::PlainText);
      label->setText(ToQString(control.caption));
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;  // draws its text only: the background shows around the letters
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(PlainCaption(control.caption), this);
      // Enter presses the focused button, as Space does.
      button->setAutoDefault(true);
      widget = button;
      break;
    }
    case ControlKind::TextBox:
      if (control.multi_line) {
        auto* box = new StatusBox(this);
        box->SetPlainText(ToQString(control.caption));
        widget = box;
      } else {
        auto* box = new LineEdit(this);
        box->SetPlainText(ToQString(control.caption));
        box->setReadOnly(control.read_only);
        widget = box;
      }
      SetTextBoxColours(widget);
      break;
    case ControlKind::PictureBox: {
      auto* picture = new PictureView(this);
      if (!control.border) picture->setFrameStyle(QFrame::NoFrame);
      widget = picture;
      break;
    }
    case ControlKind::Line:
    case ControlKind::Background:
      return nullptr;  // painted by the window
  }
  widget->setObjectName(ToQString(control.name));
  widget->setGeometry(PixelRect(control));
  widget->setFont(MakeFont(FontOf(control), dpi_));
  widget->setEnabled(control.enabled);
  return widget;
}

void FormWidget::SetTabOrder() {
  std::vector<const ControlLayout*> order;
  for (const ControlLayout& control : layout_.controls) {
    if (control.tab_index >= 0) order.push_back(&control);
  }
  std::stable_sort(order.begin(), order.end(), [](const ControlLayout* a, const ControlLayout* b) {
    return a->tab_index < b->tab_index;
  });
  QWidget* previous = nullptr;
  for (const ControlLayout* control : order) {
    QWidget* widget = Control(control->name);
    if (!widget || !(widget->focusPolicy() & Qt::TabFocus)) continue;  // labels never take it
    if (previous) setTabOrder(previous, widget);
    previous = widget;
  }
}

void FormWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!background_.isNull()) {
    // Stretched over the whole client area, never tiled or drawn at its own size.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), background_);
  }
  for (const ControlLayout& control : layout_.controls) {
    if (control.kind != ControlKind::Line) continue;
    const int x1 = TwipsToPixels(control.left, dpi_);
    const int y1 = TwipsToPixels(control.top, dpi_);
    const int x2 = TwipsToPixels(control.left + control.width, dpi_);
    const int y2 = TwipsToPixels(control.top + control.height, dpi_);
    QPen pen(palette().color(QPalette::WindowText), kLineThicknessPixels);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(x1, y1, x2, y2);
  }
}

void FormWidget::closeEvent(QCloseEvent* event) {
  if (retired_) {
    event->accept();
    return;
  }
  // The handler decides: the main window's Close unloads both windows, the viewer hides.
  event->ignore();
  if (on_close_request) {
    QTimer::singleShot(0, this, [this] {
      if (Live() && on_close_request) on_close_request();
    });
  }
}

}  // namespace pixferry::qt
