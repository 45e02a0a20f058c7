// The settings file, kept in the current directory: the save folder, the media program and the
// two switches, one fixed-length record each.
#pragma once

#include <string_view>

namespace pixferry {

inline constexpr std::string_view kPathsFile = "paths.dat";

// The record numbers, from 1: each "Save " command writes a value and its switch.
namespace paths_record {
inline constexpr int kDestination = 1;
inline constexpr int kProgram = 2;
inline constexpr int kLocal = 3;   // the program's switch
inline constexpr int kRename = 4;  // the destination's switch
}  // namespace paths_record

}  // namespace pixferry
