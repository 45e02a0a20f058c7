// The files the copy takes, photos and video clips, known by the ends of their names. Each use
// keeps its own rule for the letter case.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace pixferry {

// In small letters, the pictures first: View shows only the first kPictureExtensions.
inline constexpr std::array<std::string_view, 4> kPhotoExtensions = {".jpg", ".jpeg", ".mpg",
                                                                     ".mpeg"};
inline constexpr std::size_t kPictureExtensions = 2;

}  // namespace pixferry
