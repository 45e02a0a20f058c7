#include "app/frmMain.h"

namespace pixferry {

void frmMain::Navigate(FileList& list, void (FileList::*step)()) {
  try {
    (list.*step)();
  } catch (...) {
    ShowErrorBox("");
  }
}

void frmMain::cmdSourceFirst_Click() {
  Navigate(source_list, &FileList::First);
}
void frmMain::cmdSourcePrevious_Click() {
  Navigate(source_list, &FileList::Previous);
}
void frmMain::cmdSourceNext_Click() {
  Navigate(source_list, &FileList::Next);
}
void frmMain::cmdSourceLast_Click() {
  Navigate(source_list, &FileList::Last);
}
void frmMain::cmdTargetFirst_Click() {
  Navigate(target_list, &FileList::First);
}
void frmMain::cmdTargetPrevious_Click() {
  Navigate(target_list, &FileList::Previous);
}
void frmMain::cmdTargetNext_Click() {
  Navigate(target_list, &FileList::Next);
}
void frmMain::cmdTargetLast_Click() {
  Navigate(target_list, &FileList::Last);
}

}  // namespace pixferry
