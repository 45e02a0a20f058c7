#include "app/frmMain.h"

#include <string>

#include "app/ShowErrorBox.h"
#include "platform/files.h"

namespace pixferry {

frmMain::frmMain(const MainControls& c, frmShowPhoto& viewer_form, Desktop& desk)
    : MainControls(c), viewer(viewer_form), desktop(desk), random_(std::random_device{}()) {}

void frmMain::ShowErrorBox(std::string_view suffix, int style, std::string_view title) {
  pixferry::ShowErrorBox(desktop, suffix, style, title);
}

std::string frmMain::CaseFolderPath() const {
  return strSavePath + kSep + strIncidentNumber + "_" + strUserName + "_" + strCopyDate;
}

frmShowPhoto::frmShowPhoto(Window& f, PictureBox& img, Desktop& desk)
    : form(f), imgSource(img), desktop(desk) {}

}  // namespace pixferry
