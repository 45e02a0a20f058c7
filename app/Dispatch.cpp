#include "app/Dispatch.h"

#include <array>

namespace pixferry {
namespace {

const std::array kMainEvents{
    EventBinding{"cmdClose", Event::Click, &frmMain::cmdClose_Click},
    EventBinding{"cmdSource", Event::Click, &frmMain::cmdSource_Click},
    EventBinding{"cmdStartCopy", Event::Click, &frmMain::cmdStartCopy_Click},
    EventBinding{"cmdDelete", Event::Click, &frmMain::cmdDelete_Click},
    EventBinding{"cmdSourceFirst", Event::Click, &frmMain::cmdSourceFirst_Click},
    EventBinding{"cmdSourcePrevious", Event::Click, &frmMain::cmdSourcePrevious_Click},
    EventBinding{"cmdSourceNext", Event::Click, &frmMain::cmdSourceNext_Click},
    EventBinding{"cmdSourceLast", Event::Click, &frmMain::cmdSourceLast_Click},
    EventBinding{"cmdTargetFirst", Event::Click, &frmMain::cmdTargetFirst_Click},
    EventBinding{"cmdTargetPrevious", Event::Click, &frmMain::cmdTargetPrevious_Click},
    EventBinding{"cmdTargetNext", Event::Click, &frmMain::cmdTargetNext_Click},
    EventBinding{"cmdTargetLast", Event::Click, &frmMain::cmdTargetLast_Click},
    EventBinding{"cmdViewSource", Event::Click, &frmMain::cmdViewSource_Click},
    EventBinding{"cmdViewTarget", Event::Click, &frmMain::cmdViewTarget_Click},
    EventBinding{"imgSource", Event::DblClick, &frmMain::imgSource_DblClick},
    EventBinding{"txtDate", Event::LostFocus, &frmMain::txtDate_LostFocus},
};

}  // namespace

std::span<const EventBinding> MainFormEvents() {
  return kMainEvents;
}

void RunTrapped(frmMain& form, void (frmMain::*handler)()) {
  try {
    (form.*handler)();
  } catch (...) {
    try {
      form.ShowErrorBox({});
    } catch (...) {
      // Nothing is left to report it with.
    }
  }
}

bool Dispatch(frmMain& form, std::string_view control, Event event) {
  for (const EventBinding& binding : kMainEvents) {
    if (binding.control == control && binding.event == event) {
      RunTrapped(form, binding.handler);
      return true;
    }
  }
  return false;
}

}  // namespace pixferry
