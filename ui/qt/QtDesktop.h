// Message boxes, the folder picker and opening a photo in another program, on Qt.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "app/Screen.h"

class QObject;
class QWidget;

namespace pixferry::qt {

class QtWindow;

// A modal message box in plain text: style as the core gives it (buttons + icon), an empty
// title shows the program's title. Returns mb::kAnswerOk, kAnswerYes or kAnswerNo.
int ShowMessageBox(QWidget* parent, std::string_view text, int style, std::string_view title);

class QtDesktop : public Desktop {
 public:
  // Dialogs are modal to the active window, or to main_window when none is active.
  explicit QtDesktop(QtWindow& main_window);
  ~QtDesktop() override;

  int MsgBox(std::string_view text, int style, std::string_view title) override;
  std::string PickFolder(const std::string& start_folder, const std::string& title) override;
  std::string PicturesFolder() override;
  std::string HomeFolder() override;
  void OpenWithProgram(const std::string& program, const std::string& parameters,
                       const std::string& directory) override;
  void KeepAlive() override;

 private:
  QWidget* DialogParent() const;

  QtWindow& main_window_;
  std::chrono::steady_clock::time_point last_alive_{};
  // Owns the pending turn of the event loop that hands held input on once the job is over;
  // going with the desktop, it takes the turn along.
  std::unique_ptr<QObject> release_turn_;
};

}  // namespace pixferry::qt
