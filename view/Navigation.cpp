#include <cstdint>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"

namespace pixferry {
namespace {

// One list as the navigation buttons see it.
struct ListView {
  const std::vector<std::string>& files;
  std::int32_t& index;
  const std::int32_t count;
  TextBox& box;
};

// Stores the new position first, then shows its entry, as the list's own order of steps goes.
void MoveTo(ListView list, std::int32_t position) {
  list.index = position;
  if (position < 0 || static_cast<std::size_t>(position) >= list.files.size()) {
    throw RuntimeError(err::kSubscriptOutOfRange);
  }
  list.box.SetText(list.files[static_cast<std::size_t>(position)]);
}

// The conditions are written so that a stale index of an emptied list does nothing.
void First(ListView list) {
  if (list.index <= list.count && list.count >= 1) MoveTo(list, 1);
}

void Previous(ListView list) {
  if (list.index <= list.count && list.index >= 2) MoveTo(list, list.index - 1);
}

void Next(ListView list) {
  if (list.index < list.count) MoveTo(list, list.index + 1);
}

void Last(ListView list) {
  if (list.index < list.count) MoveTo(list, list.count);
}

}  // namespace

void frmMain::cmdSourceFirst_Click() {
  try {
    First({strSourceFiles, lngSourceIndex, lngSourceCount, txtSource});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdSourcePrevious_Click() {
  try {
    Previous({strSourceFiles, lngSourceIndex, lngSourceCount, txtSource});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdSourceNext_Click() {
  try {
    Next({strSourceFiles, lngSourceIndex, lngSourceCount, txtSource});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdSourceLast_Click() {
  try {
    Last({strSourceFiles, lngSourceIndex, lngSourceCount, txtSource});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdTargetFirst_Click() {
  try {
    First({strTargetFiles, lngTargetIndex, lngTargetCount, txtTarget});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdTargetPrevious_Click() {
  try {
    Previous({strTargetFiles, lngTargetIndex, lngTargetCount, txtTarget});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdTargetNext_Click() {
  try {
    Next({strTargetFiles, lngTargetIndex, lngTargetCount, txtTarget});
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdTargetLast_Click() {
  try {
    Last({strTargetFiles, lngTargetIndex, lngTargetCount, txtTarget});
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
