#include "ui/win32/OpenWithProgram.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace pixferry::win32 {

void OpenWithProgram(const std::string& program, const std::string& photo,
                     const std::string& directory) {
  // Nothing to start: the shell could take an empty name for the working folder and open that.
  if (program.empty()) return;
  const std::wstring file = Widen(program);
  // Quoted, so a path with spaces arrives as one argument.
  const std::wstring parameters = L"\"" + Widen(photo) + L"\"";
  const std::wstring folder = Widen(directory);
  ::ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(),
                  folder.empty() ? nullptr : folder.c_str(), SW_SHOWMAXIMIZED);
}

}  // namespace pixferry::win32
