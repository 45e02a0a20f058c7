// The files a camera writes that hold what it recorded, photos, video clips and sound, known by
// the ends of their names. The copy takes the first few; Delete's guard asks about all of them.
// Each use keeps its own rule for the letter case.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "platform/ascii.h"

namespace pixferry {

// In small letters: first what the copy takes, the pictures first among them (View shows only
// the first kPictureExtensions); then what cameras write beside them (videos, sound, still
// pictures in other formats and the makers' RAW files). Thumbnails and catalogs (.thm, .ctg,
// .lrv) are made again by the camera or the computer from these, and are not listed.
inline constexpr std::array<std::string_view, 40> kCameraExtensions = {
    ".jpg",  ".jpeg", ".mpg", ".mpeg",                                    // copied
    ".mov",  ".mp4",  ".m4v", ".avi",  ".mts",  ".m2ts", ".3gp",          // video
    ".wav",                                                               // sound
    ".heic", ".heif", ".hif", ".tif",  ".tiff", ".png",                   // pictures
    ".dng",  ".cr2",  ".cr3", ".crw",  ".nef",  ".nrw",  ".arw", ".srf",  // RAW
    ".sr2",  ".orf",  ".rw2", ".raf",  ".pef",  ".srw",  ".x3f", ".3fr",  //
    ".iiq",  ".erf",  ".kdc", ".mrw",  ".rwl",  ".raw"};
inline constexpr std::size_t kCopiedExtensions = 4;
inline constexpr std::size_t kPictureExtensions = 2;

// What the copy takes.
inline constexpr std::span<const std::string_view, kCopiedExtensions> kPhotoExtensions =
    std::span(kCameraExtensions).first<kCopiedExtensions>();

// A name ending in one of the camera's extensions, in any letter case: DSC_0003.Jpg and
// IMG_0001.cr2 hold what the camera recorded as much as their neighbours do.
constexpr bool IsCameraFile(std::string_view name) noexcept {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  return std::ranges::any_of(kCameraExtensions, [extension = name.substr(dot)](std::string_view e) {
    return EqualsIgnoringAsciiCase(extension, e);
  });
}

}  // namespace pixferry
