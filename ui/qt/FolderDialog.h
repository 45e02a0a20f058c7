// The folder picker on Qt: a folder dialog opened with the start folder already selected.
#pragma once

#include <string>

class QWidget;

namespace pixferry::qt {

// Shows the dialog modal to parent. Returns the chosen folder without a trailing separator (the
// root keeps its "/"), or the empty text when the operator cancelled. A start folder that is
// empty or missing still opens the dialog, with nothing selected.
std::string PickFolderDialog(QWidget* parent, const std::string& start_folder,
                             const std::string& title);

}  // namespace pixferry::qt
