#include "app/frmMain.h"

#include <exception>
#include <new>
#include <string>

#include "platform/errors.h"
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
  int number = err::kInternalError;
  std::string description;
  try {
    throw;
  } catch (const RuntimeError& e) {
    number = e.number();
    description = e.description();
  } catch (const std::bad_alloc&) {
    number = err::kOutOfMemory;
    description = std::string(ErrorDescription(number));
  } catch (const std::exception& e) {
    description = std::string(ErrorDescription(number)) + ": " + e.what();
  } catch (...) {
    description = std::string(ErrorDescription(number));
  }
  std::string text = std::to_string(number);
  text += ' ';
  text += description;
  text += suffix;
  desktop.MsgBox(text, style, title);
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
