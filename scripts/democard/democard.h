// The demo card: a folder laid out as a camera card (DCIM/100MEDIA with photos, a clip and its
// thumbnail), a settings file that sends copies to a Cases folder beside it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace democard {

struct PhotoPlan {
  std::string name;
  int width;
  int height;
};

// The photos on the card, in the order they are numbered.
const std::vector<PhotoPlan>& Photos();
inline constexpr std::string_view kClipName = "MVI_0008.MPG";
inline constexpr std::string_view kThumbnailName = "MVI_0008.THM";  // never copied: not a photo
// Left in the demo folder so that a later run knows it may replace what it made.
inline constexpr std::string_view kMarkerName = ".pixferry-demo";

struct DemoCard {
  std::filesystem::path card;   // start the program here
  std::filesystem::path media;  // card/DCIM/100MEDIA
  std::filesystem::path cases;  // the destination root
};

// One 255-byte settings record: 16-bit little-endian length, Windows-1252 text, zero filler.
// Throws std::runtime_error when the text does not fit or has no Windows-1252 form.
std::string SettingsRecord(std::string_view utf8);

// Makes (or makes again) the demo card in folder demo: card/ and Cases/ are replaced, nothing else
// is touched. Refuses a folder that holds anything but an earlier demo. Throws std::runtime_error.
// Drawing the photos needs a QGuiApplication.
DemoCard MakeDemoCard(const std::filesystem::path& demo);

}  // namespace democard
