#include "app/ShowErrorBox.h"
#include "app/frmMain.h"

namespace pixferry {

// Hidden, not unloaded: the window keeps its picture and place for the next photo.
void frmShowPhoto::cmdClose_Click() {
  try {
    form.Hide();
  } catch (...) {
    ShowErrorBox(desktop, " in cmdClose_Click");
  }
}

}  // namespace pixferry
