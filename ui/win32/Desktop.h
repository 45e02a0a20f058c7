// The desktop services on Win32: message boxes, the shell's folder dialog and program start.
#pragma once

#include <windows.h>

#include "app/Screen.h"

namespace pixferry::win32 {

class Win32Form;

// A message box with the numeric style as MB_ flags (they are the same numbers), modal to the
// active window (or to owner_fallback when none of this program's windows is active).
int ShowMessageBox(std::string_view text, int style, std::string_view title,
                   HWND owner_fallback = nullptr);

class Win32Desktop : public Desktop {
 public:
  explicit Win32Desktop(const Win32Form& main_window) : main_window_(main_window) {}

  int MsgBox(std::string_view text, int style, std::string_view title) override;
  std::string PickFolder(const std::string& start_folder, const std::string& title) override;
  std::string PicturesFolder() override;
  std::string HomeFolder() override;
  void OpenWithProgram(const std::string& program, const std::string& parameters,
                       const std::string& directory) override;
  void KeepAlive() override;

 private:
  HWND MainWindowIfShown() const;
  const Win32Form& main_window_;
  ULONGLONG last_alive_ = 0;
};

}  // namespace pixferry::win32
