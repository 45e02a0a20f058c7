#include "app/FormLayouts.h"

#include <array>

namespace pixferry {
namespace {

using K = ControlKind;

constexpr std::array kMainControls{
    ControlLayout{"lblIncidentNumber", K::Label, "Incident", 240, 240, 1215, 375, 0},
    ControlLayout{"cmdSource", K::Button, "Set Source", 4560, 240, 2175, 375, 1},
    ControlLayout{"txtIncidentNumber", K::TextBox, "", 1440, 240, 3015, 420, 2},
    ControlLayout{"txtUser", K::TextBox, "", 1440, 720, 3015, 420, 3},
    ControlLayout{"txtDate", K::TextBox, "", 1440, 1200, 3015, 420, 4},
    ControlLayout{"cmdStartCopy", K::Button, "Start", 4560, 720, 2175, 495, 5},
    ControlLayout{"cmdDelete", K::Button, "Delete", 4560, 1320, 2175, 375, 6},
    ControlLayout{"cmdSourceFirst", K::Button, "<<", 3960, 1920, 495, 375, 7, false},
    ControlLayout{"cmdSourcePrevious", K::Button, "<", 4440, 1920, 375, 375, 8, false},
    ControlLayout{"cmdSourceNext", K::Button, ">", 4800, 1920, 375, 375, 9, false},
    ControlLayout{"cmdSourceLast", K::Button, ">>", 5160, 1920, 495, 375, 10, false},
    ControlLayout{"cmdViewSource", K::Button, "View", 5760, 1920, 975, 375, 11, false},
    ControlLayout{"cmdTargetFirst", K::Button, "<<", 3960, 2520, 495, 375, 12, false},
    ControlLayout{"cmdTargetPrevious", K::Button, "<", 4440, 2520, 375, 375, 13, false},
    ControlLayout{"cmdTargetNext", K::Button, ">", 4800, 2520, 375, 375, 14, false},
    ControlLayout{"cmdTargetLast", K::Button, ">>", 5160, 2520, 495, 375, 15, false},
    ControlLayout{"cmdViewTarget", K::Button, "View", 5760, 2520, 975, 375, 16, false},
    ControlLayout{"cmdClose", K::Button, "Close", 240, 4320, 6495, 375, 17},
    ControlLayout{"txtSource", K::TextBox, "", 1440, 1920, 2415, 420, 18, true, true},
    ControlLayout{"txtTarget", K::TextBox, "", 1440, 2400, 2415, 420, 19, true, true},
    ControlLayout{"lblDate", K::Label, "Date", 240, 1200, 1215, 375, 20},
    ControlLayout{"lblUser", K::Label, "User", 240, 720, 1215, 375, 21},
    ControlLayout{"lblSource", K::Label, "Source", 240, 1920, 1095, 375, 22},
    ControlLayout{"lblDestination", K::Label, "Target", 240, 2400, 1095, 375, 23},
    ControlLayout{"txtMessage", K::TextBox, "", 240, 3000, 4695, 1215, 24, true, true, true,
                  FontId::Status},
    ControlLayout{"imgSource", K::PictureBox, "", 5040, 3000, 1680, 1200, -1, true, false, false,
                  FontId::Body, true},
    ControlLayout{"Line1", K::Line, "", 240, 1800, 6480, 0, -1},
    ControlLayout{"imgBackground", K::Background, "", 0, 0, 6975, 4935, -1},
};

constexpr std::array kViewerControls{
    ControlLayout{"cmdClose", K::Button, "X", 9240, 6840, 375, 375, 0},
    ControlLayout{"cmdClose1", K::Button, "X", 120, 6840, 375, 375, 1},
    ControlLayout{"cmdClose2", K::Button, "X", 120, 120, 375, 375, 2},
    ControlLayout{"cmdClose3", K::Button, "X", 9240, 120, 375, 375, 3},
    ControlLayout{"imgSource", K::PictureBox, "", 0, 0, 9720, 7320, -1, true, false, false,
                  FontId::Body, true},
};

constexpr FormLayout kMainForm{"frmMain", "Pixferry", 6975, 4935, kMainControls, "cmdSource"};
constexpr FormLayout kViewerForm{"frmShowPhoto", "Photo", 9705, 7320, kViewerControls, "cmdClose"};

}  // namespace

const FormLayout& MainFormLayout() {
  return kMainForm;
}
const FormLayout& ViewerFormLayout() {
  return kViewerForm;
}

const ControlLayout* FindControl(const FormLayout& form, std::string_view name) {
  for (const ControlLayout& c : form.controls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace pixferry
