// One list of names as the window shows it: the names, how many, the one on show in its box, and
// the five buttons that step through it and view its entry. The source and the target list are
// two of these.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Screen.h"

namespace pixferry {

struct FileList {
  // buttons: First, Previous, Next, Last and View.
  FileList(TextBox& list_box, std::array<Button*, 5> list_buttons)
      : box(list_box), buttons(list_buttons) {}

  // Entry 0 is unused, so positions count from 1 to lngCount.
  std::vector<std::string> strFiles;
  std::int32_t lngCount = 0;
  // Left as it was when the list is emptied: the buttons that would read it are disabled.
  std::int32_t lngIndex = 0;

  TextBox& box;
  std::array<Button*, 5> buttons;

  // Takes the lngFileCount names of strNew (positions from 1) and shows the first; an empty
  // list clears the box and adds empty_note to txtMessage. The buttons follow the box.
  void Set(std::vector<std::string> strNew, std::int32_t lngFileCount, TextBox& txtMessage,
           std::string_view empty_note);
  // Forgets every name and clears the box.
  void Clear();
  void SetButtons(bool enabled);

  // The conditions are written so that a stale index of an emptied list does nothing.
  void First();
  void Previous();
  void Next();
  void Last();

 private:
  // Stores the new position first, then shows its entry.
  void MoveTo(std::int32_t position);
};

}  // namespace pixferry
