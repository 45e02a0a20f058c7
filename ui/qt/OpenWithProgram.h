// Opening a photo in another program on Linux.
#pragma once

#include <string>

namespace pixferry::qt {

// Starts program detached, with parameters as one argument (a photo path with spaces arrives
// whole) in directory. Nothing is reported: a program that cannot start is ignored.
void StartProgram(const std::string& program, const std::string& parameters,
                  const std::string& directory);

}  // namespace pixferry::qt
