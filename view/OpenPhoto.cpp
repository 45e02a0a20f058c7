#include <string>

#include "app/frmMain.h"
#include "platform/files.h"

namespace pixferry {

void frmMain::imgSource_DblClick() {
  try {
    if (strMediaProgram.empty()) return;

    std::string program;
    if (strLocalSwitch == "True") {
      program = strMyDirectory + kSep + strMediaProgram;
    } else if (strLocalSwitch == "False") {
      program = strMediaProgram;
    }

    // A target photo opens in the destination root, not in the case folder it came from.
    std::string folder;
    if (strViewedList == "Source") {
      folder = strSourcePath;
    } else if (strViewedList == "Target") {
      folder = strSavePath;
    }

    if (strViewedFile.empty()) return;

    if (strMediaProgram == "Internal") {
      viewer.form.Show(&form);
      viewer.imgSource.LoadPicture(strViewedFile);
    } else {
      // The desktop hands the path over as one argument, spaces and all.
      desktop.OpenWithProgram(program, strViewedFile, folder);
    }
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
