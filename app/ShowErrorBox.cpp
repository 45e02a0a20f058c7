#include "app/ShowErrorBox.h"

#include <exception>
#include <new>
#include <string>

#include "platform/errors.h"

namespace pixferry {

void ShowErrorBox(Desktop& desktop, std::string_view suffix, int style, std::string_view title) {
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

}  // namespace pixferry
