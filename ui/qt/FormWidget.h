// A window built from one layout table: every control at its twips rectangle converted at the
// screen's DPI, with its caption, font, tab order and initial state.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/FormLayouts.h"

namespace pixferry::qt {

// The system scroll-bar colour that the text boxes use as their background. Linux has no such
// system colour; Windows's COLOR_SCROLLBAR (system colour index 0) is light grey C8C8C8.
inline constexpr unsigned kScrollBarColour = 0xC8C8C8;

// What a window shows beyond its table: its frame and, optionally, icon and background picture.
struct FormStyle {
  Qt::WindowFlags flags;
  QIcon icon;          // null: none
  QString background;  // resource path of the picture of the Background control
};

// The screen's logical dots per inch: 1440 twips make one logical inch.
int ScreenDpi();

class FormWidget : public QWidget {
 public:
  FormWidget(const FormLayout& desc, int dpi, const FormStyle& style, QWidget* parent = nullptr);

  const FormLayout& desc() const { return layout_; }
  int dpi() const { return dpi_; }
  // The rectangle of a control of the table at this window's DPI.
  QRect PixelRect(const ControlLayout& control) const;

  // The widget of a control by its name, or nullptr (labels and picture boxes included; lines
  // and the background picture are painted by the window itself).
  QWidget* Control(std::string_view name) const;
  template <class T>
  T* ControlAs(std::string_view name) const {
    return dynamic_cast<T*>(Control(name));
  }

  // The title bar's close box. Runs from the event loop, never inside the close event, so the
  // handler may unload this window like any button's handler.
  std::function<void()> on_close_request;

  // The window is being unloaded: the next close is accepted and no event reaches the core.
  void Retire() { retired_ = true; }
  bool Live() const { return !retired_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* CreateControl(const ControlLayout& control);
  void SetTabOrder();

  const FormLayout& layout_;
  int dpi_;
  QImage background_;
  std::vector<std::pair<std::string_view, QWidget*>> controls_;
  bool retired_ = false;
};

}  // namespace pixferry::qt
