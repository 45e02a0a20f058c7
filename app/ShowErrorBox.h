// The error box every handler shows from its catch block.
#pragma once

#include <string_view>

#include "app/Screen.h"

namespace pixferry {

// Shows the exception being handled as number, one space, description and suffix; OK only
// unless style says more. Anything that is not a run-time error is shown too, never rethrown.
void ShowErrorBox(Desktop& desktop, std::string_view suffix, int style = mb::kOkOnly,
                  std::string_view title = {});

}  // namespace pixferry
