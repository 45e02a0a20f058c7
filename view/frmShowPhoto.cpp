#include <exception>
#include <new>
#include <string>

#include "app/frmMain.h"
#include "platform/errors.h"

namespace pixferry {

// Hidden, not unloaded: the window keeps its picture and place for the next photo.
void frmShowPhoto::cmdClose_Click() {
  try {
    form.Hide();
  } catch (...) {
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
    desktop.MsgBox(std::to_string(number) + " " + description + " in cmdClose_Click", mb::kOkOnly,
                   "");
  }
}

}  // namespace pixferry
