// The one layout table of each window, in twips (1440 per logical inch). Both front ends build
// their widgets from it, so the geometry is written exactly once.
#pragma once

#include <span>
#include <string_view>

namespace pixferry {

// Background: the built-in background picture, stretched beneath every other control.
enum class ControlKind { Label, Button, TextBox, PictureBox, Line, Background };
enum class FontId { Body, Status };

struct FontLayout {
  std::string_view face;
  double points;
  int weight;
};

inline constexpr FontLayout kBodyFont{"MS Sans Serif", 12.0, 700};
inline constexpr FontLayout kStatusFont{"MS Sans Serif", 9.75, 700};

struct ControlLayout {
  std::string_view name;
  ControlKind kind;
  std::string_view caption;
  int left, top, width, height;  // a Line runs from (left, top) to (left + width, top + height)
  int tab_index;                 // -1: no place in the tab order
  bool enabled = true;
  bool read_only = false;
  bool multi_line = false;  // multi-line text boxes also scroll vertically and centre their text
  FontId font = FontId::Body;
  bool border = false;  // picture boxes: single-line border
};

struct FormLayout {
  std::string_view name;
  std::string_view title;
  int client_width, client_height;
  std::span<const ControlLayout> controls;  // in tab order; controls without one follow
  std::string_view first_focus;
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kLineThicknessPixels = 3;

// Twips to device pixels at the given dots per inch, rounded to nearest.
constexpr int TwipsToPixels(int twips, int dpi) {
  return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

const FormLayout& MainFormLayout();
const FormLayout& ViewerFormLayout();
const ControlLayout* FindControl(const FormLayout& form, std::string_view name);

}  // namespace pixferry
