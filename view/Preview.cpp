#include <algorithm>
#include <span>
#include <string>

#include "app/frmMain.h"
#include "copy/PhotoExtensions.h"
#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {
namespace {

// The tail of a name from its last dot to the end, dot included; the whole name when it has none.
std::string Extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(dot);
}

// What tells the two View buttons apart.
struct ViewedList {
  TextBox& box;
  const std::string& folder;
  const char* name;
};

void PreviewEntry(frmMain& form, const ViewedList& list) {
  try {
    const std::string entry = list.box.Text();
    const std::string path = list.folder + kSep + entry;
    const std::string extension = Extension(entry);
    const auto pictures = std::span(kPhotoExtensions).first(kPictureExtensions);
    if (std::ranges::none_of(
            pictures, [&](std::string_view e) { return EqualsIgnoringAsciiCase(extension, e); })) {
      return;
    }
    form.imgSource.LoadPicture(path);
    // Recorded only once the picture is on show, so a failed load keeps the previous one.
    form.strViewedFile = path;
    form.strViewedList = list.name;
  } catch (const RuntimeError& e) {
    if (e.number() != err::kPathNotFound) {
      form.ShowErrorBox("");
      return;
    }
    // The folder is gone: most likely the card was taken out.
    try {
      form.desktop.MsgBox(list.box.Text() +
                              " is not a valid file.  It was likely deleted from outside this "
                              "program while the program was still running.  " +
                              "Try resetting the source and viewing again.",
                          mb::kExclamation, "Error!");
    } catch (...) {
      form.ShowErrorBox("");
    }
  } catch (...) {
    form.ShowErrorBox("");
  }
}

}  // namespace

void frmMain::cmdViewSource_Click() {
  PreviewEntry(*this, {txtSource, strSourcePath, "Source"});
}

void frmMain::cmdViewTarget_Click() {
  PreviewEntry(*this, {txtTarget, strTargetPath, "Target"});
}

}  // namespace pixferry
