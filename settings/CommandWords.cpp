#include <string>
#include <string_view>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/records.h"

namespace pixferry {
namespace {

constexpr std::string_view kSettingsFile = "paths.dat";
constexpr std::string_view kSavePrefix = "Save ";
constexpr std::string_view kCredit =
    "Pixferry: copies a camera card's photos into a case folder.  (c) 2026 the Pixferry "
    "developers.";

// "Save " + value, optionally + suffix. Sets value and the switch from text, as typed. The
// suffix is tested on the whole text, so in "Save Rename" it takes in the prefix's blank and
// leaves a value shorter than itself to cut off: invalid procedure call, with the members
// already changed.
bool TakeSaveCommand(const std::string& text, std::string_view suffix, std::string& value,
                     std::string& on_switch) {
  if (text.empty() || !text.starts_with(kSavePrefix)) return false;
  value = text.substr(kSavePrefix.size());
  if (text.ends_with(suffix)) {
    on_switch = "True";
    if (value.size() < suffix.size()) throw RuntimeError(err::kInvalidProcedureCall);
    value.resize(value.size() - suffix.size());
  } else {
    on_switch = "False";
  }
  return true;
}

// Opens, writes the pair and closes before the caller shows any box, success or failure.
void WriteSettingsPair(int first_record, const std::string& first, int second_record,
                       const std::string& second) {
  RecordFile file{std::string(kSettingsFile), RecordFile::Mode::WriteOnly};
  file.Write(first_record, first);
  file.Write(second_record, second);
}

}  // namespace

bool frmMain::SourceCommand() {
  const std::string strText = txtIncidentNumber.Text();
  if (TakeSaveCommand(strText, " Rename", strSavePath, strRenameSwitch)) {
    WriteSettingsPair(1, strSavePath, 4, strRenameSwitch);
    desktop.MsgBox("Destination set to " + strSavePath, mb::kInformation, "Destination");
    return true;
  }
  if (strText == "Copyright") {
    txtMessage.SetText(kCredit);
    return true;
  }
  if (strText == "Current Save Path") {
    desktop.MsgBox(strSavePath + " is the current save path. Renaming is set to " + strRenameSwitch,
                   mb::kInformation, "Save Path");
    return true;
  }
  if (strText == "Current Directory") {
    desktop.MsgBox(CurrentDirectory() + " is the current directory", mb::kOkOnly, "");
    desktop.MsgBox(strMyDirectory + " is strMyDirectory", mb::kOkOnly, "");
    return true;
  }
  return false;
}

bool frmMain::StartCommand() {
  const std::string strText = txtUser.Text();
  if (TakeSaveCommand(strText, " Local", strMediaProgram, strLocalSwitch)) {
    WriteSettingsPair(2, strMediaProgram, 3, strLocalSwitch);
    desktop.MsgBox("Program to open media set to " + strMediaProgram, mb::kInformation,
                   "Open With...");
    return true;
  }
  if (strText == "Current Program") {
    desktop.MsgBox(
        "Program set to open media is " + strMediaProgram + ", Local is set to " + strLocalSwitch,
        mb::kInformation, "Open With...");
    return true;
  }
  return false;
}

}  // namespace pixferry
