#include <string>
#include <string_view>

#include "app/frmMain.h"
#include "platform/ansi.h"
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
// already changed. A value the settings file's code page cannot hold is refused before anything
// changes: stored, it would come back with "?" in place of its letters, naming another folder
// or program.
enum class SaveCommand { None, Taken, Refused };

SaveCommand TakeSaveCommand(const std::string& text, std::string_view suffix, std::string& value,
                            std::string& on_switch, std::string& refused) {
  if (text.empty() || !text.starts_with(kSavePrefix)) return SaveCommand::None;
  std::string new_value = text.substr(kSavePrefix.size());
  const bool with_suffix = text.ends_with(suffix);
  if (with_suffix && new_value.size() < suffix.size()) {
    value = std::move(new_value);
    on_switch = "True";
    throw RuntimeError(err::kInvalidProcedureCall);
  }
  if (with_suffix) new_value.resize(new_value.size() - suffix.size());
  if (!FitsAnsi(new_value)) {
    refused = std::move(new_value);
    return SaveCommand::Refused;
  }
  value = std::move(new_value);
  on_switch = with_suffix ? "True" : "False";
  return SaveCommand::Taken;
}

void ShowNotSaved(Desktop& desktop, const std::string& value, std::string_view what) {
  desktop.MsgBox(value +
                     " cannot be stored in paths.dat: it has characters that the file's code "
                     "page cannot hold.  The " +
                     std::string(what) + " was not changed.",
                 mb::kExclamation, "Not Saved");
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
  std::string refused;
  switch (TakeSaveCommand(strText, " Rename", strSavePath, strRenameSwitch, refused)) {
    case SaveCommand::None:
      break;
    case SaveCommand::Refused:
      ShowNotSaved(desktop, refused, "destination");
      return true;
    case SaveCommand::Taken:
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
  std::string refused;
  switch (TakeSaveCommand(strText, " Local", strMediaProgram, strLocalSwitch, refused)) {
    case SaveCommand::None:
      break;
    case SaveCommand::Refused:
      ShowNotSaved(desktop, refused, "program to open media");
      return true;
    case SaveCommand::Taken:
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
