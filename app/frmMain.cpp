#include "app/frmMain.h"

#include <string>

#include "app/errorbox.h"
#include "platform/files.h"

namespace pixferry {

frmMain::frmMain(const MainControls& c, frmShowPhoto& viewer_form, Desktop& desk)
    : form(c.form),
      txtIncidentNumber(c.txtIncidentNumber),
      txtUser(c.txtUser),
      txtDate(c.txtDate),
      txtSource(c.txtSource),
      txtTarget(c.txtTarget),
      txtMessage(c.txtMessage),
      cmdSource(c.cmdSource),
      cmdStartCopy(c.cmdStartCopy),
      cmdDelete(c.cmdDelete),
      cmdClose(c.cmdClose),
      cmdSourceFirst(c.cmdSourceFirst),
      cmdSourcePrevious(c.cmdSourcePrevious),
      cmdSourceNext(c.cmdSourceNext),
      cmdSourceLast(c.cmdSourceLast),
      cmdViewSource(c.cmdViewSource),
      cmdTargetFirst(c.cmdTargetFirst),
      cmdTargetPrevious(c.cmdTargetPrevious),
      cmdTargetNext(c.cmdTargetNext),
      cmdTargetLast(c.cmdTargetLast),
      cmdViewTarget(c.cmdViewTarget),
      imgSource(c.imgSource),
      viewer(viewer_form),
      desktop(desk),
      random_(std::random_device{}()) {}

void frmMain::ShowErrorBox(std::string_view suffix, int style, std::string_view title) {
  pixferry::ShowErrorBox(desktop, suffix, style, title);
}

std::string frmMain::CaseFolderPath() const {
  return strSavePath + kSep + strIncidentNumber + "_" + strUserName + "_" + strCopyDate;
}

void frmMain::SetSourceButtons(bool enabled) {
  cmdSourceFirst.SetEnabled(enabled);
  cmdSourcePrevious.SetEnabled(enabled);
  cmdSourceNext.SetEnabled(enabled);
  cmdSourceLast.SetEnabled(enabled);
  cmdViewSource.SetEnabled(enabled);
}

void frmMain::SetTargetButtons(bool enabled) {
  cmdTargetFirst.SetEnabled(enabled);
  cmdTargetPrevious.SetEnabled(enabled);
  cmdTargetNext.SetEnabled(enabled);
  cmdTargetLast.SetEnabled(enabled);
  cmdViewTarget.SetEnabled(enabled);
}

frmShowPhoto::frmShowPhoto(Window& f, PictureBox& img, Desktop& desk)
    : form(f), imgSource(img), desktop(desk) {}

}  // namespace pixferry
