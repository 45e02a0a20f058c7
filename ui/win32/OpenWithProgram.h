// Starts another program on a photo through the shell.
#pragma once

#include <string>

namespace pixferry::win32 {

// ShellExecute "open" of program with the photo path quoted as its one parameter, in directory,
// maximised; returns at once and does not examine the result. An empty program starts nothing.
void OpenWithProgram(const std::string& program, const std::string& photo,
                     const std::string& directory);

}  // namespace pixferry::win32
