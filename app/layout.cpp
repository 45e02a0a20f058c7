#include "app/layout.h"

#include <array>

namespace pixferry {
namespace {

using K = ControlKind;

constexpr std::array kMainControls{
    ControlSpec{"lblIncidentNumber", K::Label, "Incident", 240, 240, 1215, 375, 0},
    ControlSpec{"cmdSource", K::Button, "Set Source", 4560, 240, 2175, 375, 1},
    ControlSpec{"txtIncidentNumber", K::TextBox, "", 1440, 240, 3015, 420, 2},
    ControlSpec{"txtUser", K::TextBox, "", 1440, 720, 3015, 420, 3},
    ControlSpec{"txtDate", K::TextBox, "", 1440, 1200, 3015, 420, 4},
    ControlSpec{"cmdStartCopy", K::Button, "Start", 4560, 720, 2175, 495, 5},
    ControlSpec{"cmdDelete", K::Button, "Delete", 4560, 1320, 2175, 375, 6},
    ControlSpec{"cmdSourceFirst", K::Button, "<<", 3960, 1920, 495, 375, 7, false},
    ControlSpec{"cmdSourcePrevious", K::Button, "<", 4440, 1920, 375, 375, 8, false},
    ControlSpec{"cmdSourceNext", K::Button, ">", 4800, 1920, 375, 375, 9, false},
    ControlSpec{"cmdSourceLast", K::Button, ">>", 5160, 1920, 495, 375, 10, false},
    ControlSpec{"cmdViewSource", K::Button, "View", 5760, 1920, 975, 375, 11, false},
    ControlSpec{"cmdTargetFirst", K::Button, "<<", 3960, 2520, 495, 375, 12, false},
    ControlSpec{"cmdTargetPrevious", K::Button, "<", 4440, 2520, 375, 375, 13, false},
    ControlSpec{"cmdTargetNext", K::Button, ">", 4800, 2520, 375, 375, 14, false},
    ControlSpec{"cmdTargetLast", K::Button, ">>", 5160, 2520, 495, 375, 15, false},
    ControlSpec{"cmdViewTarget", K::Button, "View", 5760, 2520, 975, 375, 16, false},
    ControlSpec{"cmdClose", K::Button, "Close", 240, 4320, 6495, 375, 17},
    ControlSpec{"txtSource", K::TextBox, "", 1440, 1920, 2415, 420, 18, true, true},
    ControlSpec{"txtTarget", K::TextBox, "", 1440, 2400, 2415, 420, 19, true, true},
    ControlSpec{"lblDate", K::Label, "Date", 240, 1200, 1215, 375, 20},
    ControlSpec{"lblUser", K::Label, "User", 240, 720, 1215, 375, 21},
    ControlSpec{"lblSource", K::Label, "Source", 240, 1920, 1095, 375, 22},
    ControlSpec{"lblDestination", K::Label, "Target", 240, 2400, 1095, 375, 23},
    ControlSpec{"txtMessage", K::TextBox, "", 240, 3000, 4695, 1215, 24, true, true, true,
                FontId::Status},
    ControlSpec{"imgSource", K::PictureBox, "", 5040, 3000, 1680, 1200, -1, true, false, false,
                FontId::Body, true},
    ControlSpec{"Line1", K::Line, "", 240, 1800, 6480, 0, -1},
    ControlSpec{"imgBackground", K::Background, "", 0, 0, 6975, 4935, -1},
};

constexpr std::array kViewerControls{
    ControlSpec{"cmdClose", K::Button, "X", 9240, 6840, 375, 375, 0},
    ControlSpec{"cmdClose1", K::Button, "X", 120, 6840, 375, 375, 1},
    ControlSpec{"cmdClose2", K::Button, "X", 120, 120, 375, 375, 2},
    ControlSpec{"cmdClose3", K::Button, "X", 9240, 120, 375, 375, 3},
    ControlSpec{"imgSource", K::PictureBox, "", 0, 0, 9720, 7320, -1, true, false, false,
                FontId::Body, true},
};

constexpr FormSpec kMainForm{"frmMain", "Pixferry", 6975, 4935, kMainControls, "cmdSource"};
constexpr FormSpec kViewerForm{"frmShowPhoto", "Photo", 9705, 7320, kViewerControls, "cmdClose"};

}  // namespace

const FormSpec& MainFormLayout() { return kMainForm; }
const FormSpec& ViewerFormLayout() { return kViewerForm; }

const ControlSpec* FindControl(const FormSpec& form, std::string_view name) {
  for (const ControlSpec& c : form.controls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace pixferry
