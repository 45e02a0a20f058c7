// The settings file, kept in the current directory: the save folder, the media program and the
// two switches, one fixed-length record each.
#pragma once

#include <string_view>

namespace pixferry {

inline constexpr std::string_view kPathsFile = "paths.dat";

}  // namespace pixferry
