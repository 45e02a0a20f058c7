#include <cstdint>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "lists/ListingFindsEntry.h"
#include "platform/dates.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {
namespace {

std::string TwoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

void frmMain::cmdStartCopy_Click() {
  try {
    if (StartCommand()) return;
    CopyRequest();
  } catch (...) {
    ShowErrorBox(" in cmdStartImport_Click");
  }
}

// Checks the three boxes and both folders, turns the date into year-month-day, copies the
// source's photos and videos into the case folder and shows the case folder's files.
void frmMain::CopyRequest() {
  strIncidentNumber = txtIncidentNumber.Text();
  if (txtDate.Text().empty()) txtDate_LostFocus();

  if (txtIncidentNumber.Text().empty() || txtUser.Text().empty() || txtDate.Text().empty()) {
    desktop.MsgBox("You must fill in Incident, User, and Date boxes to proceed.", mb::kInformation,
                   "Missing Information");
    return;
  }

  if (strSavePath.empty() || !ListingFindsEntry(strSavePath, attr::kDirectory)) {
    desktop.MsgBox(
        "There is a problem with the target directory.  The variable is missing or the "
        "directory is not valid.",
        mb::kExclamation, "Error");
    desktop.MsgBox("The target is set to " + strSavePath +
                       ".  Check your command documentation for information on how to fix "
                       "this setting.",
                   mb::kInformation, "Correction Needed");
    return;
  }

  if (strSourcePath.empty() || !ListingFindsEntry(strSourcePath, attr::kDirectory)) {
    desktop.MsgBox(
        "There is a problem with the source directory.  The variable is messed up or the "
        "directory is missing!",
        mb::kExclamation, "Error!");
    return;
  }

  txtMessage.SetText("Please wait... ");

  try {
    CalendarDate date;
    ThrowIfError(ParseDate(txtDate.Text(), date));
    strCopyDate =
        std::to_string(date.year) + "-" + TwoDigits(date.month) + "-" + TwoDigits(date.day);
    strUserName = txtUser.Text();
  } catch (const RuntimeError& e) {
    if (e.number() == err::kTypeMismatch) {
      desktop.MsgBox(
          "ERROR...You need to format the date correctly.  Correct formats look like: "
          "01/01/1008, 1/1/2008, 1/1/08, 1-1-2008, etc.",
          mb::kExclamation, "Error!");
      return;
    }
    ShowErrorBox(" in cmdStartCopy from DateError", mb::kExclamation, "Error!");
  } catch (...) {
    ShowErrorBox(" in cmdStartCopy from DateError", mb::kExclamation, "Error!");
  }
  txtMessage.Refresh();

  std::int32_t lngFileCount = 0;
  std::vector<std::string> strFiles;
  // A photo the listing missed is not copied: the run is no success.
  std::int32_t lngErrors =
      SortedFiles(strSourcePath + kSep, lngFileCount, strFiles, true, true) ? 0 : 1;
  StartMassCopy(lngErrors, lngFileCount, strFiles);
  SetTargetList();

  if (lngErrors == 0) {
    txtMessage.SetText(
        "Photos copied successfully.  If you'd like to cleanse the photos from your "
        "source(disk), click 'Delete'.");
  } else {
    txtMessage.SetText("An error occurred during import.  Please check photos");
  }
  txtMessage.Refresh();
}

// An empty date box takes today's date as the system writes a short date.
void frmMain::txtDate_LostFocus() {
  try {
    if (!txtDate.Text().empty()) return;
    CalendarDate today;
    ThrowIfError(Today(today));
    txtDate.SetText(ShortDateText(today));
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
