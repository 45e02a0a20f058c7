// The widgets behind the layout's control kinds that plain Qt widgets do not cover.
#pragma once

#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QSize>
#include <QString>
#include <QTextEdit>
#include <functional>
#include <string>

namespace pixferry::qt {

// A single-line text box that reports losing the focus to another control of its window.
class LineEdit : public QLineEdit {
 public:
  explicit LineEdit(QWidget* parent) : QLineEdit(parent) {}
  // Shows the start of a long text, not its end, after the text is set.
  void SetPlainText(const QString& text);

  std::function<void()> on_lost_focus;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

// The status box: multi-line, read-only but selectable, wrapped, centred, always a vertical
// scroll bar.
class StatusBox : public QTextEdit {
 public:
  explicit StatusBox(QWidget* parent);
  void SetPlainText(const QString& text);
};

// Decodes a picture file at the given size (stretched, aspect ratio not kept; an invalid size
// keeps the picture's own). Throws RuntimeError: 76 when the file's folder is missing, 53 when
// the folder exists but the file does not, 70 when it cannot be read, 481 when it cannot be
// decoded.
QImage DecodePicture(const std::string& path, QSize size);

// A picture box: a single-line border and the picture stretched to the space inside it.
class PictureView : public QFrame {
 public:
  explicit PictureView(QWidget* parent);
  // Replaces the picture; on failure throws (see DecodePicture) and keeps the previous one.
  void LoadPicture(const std::string& path);
  bool HasPicture() const { return !picture_.isNull(); }

  std::function<void()> on_double_click;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace pixferry::qt
