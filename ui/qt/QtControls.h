// The core's controls and windows on Qt widgets. A control is found by its name in its window
// each time, so it stays valid when the window is unloaded (it then reads empty and ignores
// changes).
#pragma once

#include <QPointer>
#include <functional>
#include <string>
#include <string_view>

#include "app/FormLayouts.h"
#include "app/Screen.h"
#include "ui/qt/FormWidget.h"

namespace pixferry::qt {

class QtControl;

class QtWindow : public Window {
 public:
  QtWindow(const FormLayout& desc, FormStyle style);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  void Load() override;
  bool IsLoaded() const override { return !form_.isNull(); }
  void Show(Window* owner) override;
  void Hide() override;
  bool IsVisible() const override;
  // Closes and destroys the window; when the last main window closes, the program ends.
  void Unload() override;

  // The window's widget, or nullptr when it is not loaded.
  FormWidget* widget() const { return form_.data(); }

  // Gives control its name in this window, where it finds its widget each time it is used.
  void Bind(std::string_view name, QtControl& control);

  // Called with each new widget of the window, before it is first shown (event wiring).
  void SetOnLoad(std::function<void(FormWidget&)> on_load) { on_load_ = std::move(on_load); }
  // The title bar's close box.
  void SetCloseRequest(std::function<void()> request) { close_request_ = std::move(request); }

 private:
  const FormLayout& layout_;
  FormStyle style_;
  QPointer<FormWidget> form_;
  bool placed_ = false;  // centred with its frame on the first show
  std::function<void(FormWidget&)> on_load_;
  std::function<void()> close_request_;
};

// Until QtWindow::Bind names it, a control reads empty and ignores changes.
class QtControl {
 protected:
  // The control's widget as T, or nullptr while the window is not loaded.
  template <class T>
  T* Find() const;

  QtWindow* window_ = nullptr;
  std::string_view name_;

  friend class QtWindow;
};

class QtTextBox : public TextBox, public QtControl {
 public:
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void Refresh() override;
};

class QtButton : public Button, public QtControl {
 public:
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
};

class QtPictureBox : public PictureBox, public QtControl {
 public:
  void LoadPicture(const std::string& path) override;
  bool HasPicture() const override;
};

}  // namespace pixferry::qt
