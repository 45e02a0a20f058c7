// A tiny but well-formed MPEG-1 clip for the demo card: a program stream holding one video
// sequence of a few intra pictures in soft colour bands, so a player shows something real.
#pragma once

#include <string>

namespace democard {

inline constexpr int kClipWidth = 352;
inline constexpr int kClipHeight = 240;
inline constexpr int kClipPictures = 3;

// The whole file: pack header, system header, one video packet, end code.
std::string MpegClip();

}  // namespace democard
