#include "ui/qt/Widgets.h"

#include <QBuffer>
#include <QFocusEvent>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>
#include <fstream>
#include <iterator>

#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry::qt {

void LineEdit::SetPlainText(const QString& text) {
  setText(text);
  setCursorPosition(0);
}

void LineEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Another window or a menu taking over is not the box losing its focus: the focus comes back
  // to it, so nothing is reported.
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  if (on_lost_focus) on_lost_focus();
}

StatusBox::StatusBox(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFocusPolicy(Qt::StrongFocus);
  setTabChangesFocus(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QTextOption option = document()->defaultTextOption();
  option.setAlignment(Qt::AlignHCenter);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document()->setDefaultTextOption(option);
}

void StatusBox::SetPlainText(const QString& text) {
  setPlainText(text);
}

QImage DecodePicture(const std::string& path, QSize size) {
  // Read by the core's bytes: a QString path would lose a name that is not UTF-8.
  int attributes = 0;
  ThrowIfError(ReadAttributes(path, attributes));
  if (attributes & attr::kDirectory) throw RuntimeError(err::kPathFileAccessError);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw RuntimeError(err::kPermissionDenied);
  const std::string content((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  if (file.bad()) throw RuntimeError(err::kDeviceIoError);
  QByteArray bytes =
      QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size()));

  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  if (size.isValid() && !size.isEmpty()) reader.setScaledSize(size);
  QImage image = reader.read();
  if (image.isNull()) throw RuntimeError(err::kInvalidPicture);
  return image;
}

PictureView::PictureView(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  // An empty picture box shows the plain button face.
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
}

void PictureView::LoadPicture(const std::string& path) {
  // Decoded at the size it is shown at: a camera photo is far larger than the box.
  const QSize shown = contentsRect().size() * devicePixelRatio();
  picture_ = DecodePicture(path, shown);
  update();
}

void PictureView::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(contentsRect(), picture_);
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* event) {
  QFrame::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && on_double_click) on_double_click();
}

}  // namespace pixferry::qt
