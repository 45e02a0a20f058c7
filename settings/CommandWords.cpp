#include <string>
#include <string_view>
#include <utility>

#include "app/frmMain.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/records.h"
#include "settings/PathsFile.h"

namespace pixferry {
namespace {

constexpr std::string_view kSavePrefix = "Save ";
constexpr std::string_view kCredit =
    "Pixferry: copies a camera card's photos into a case folder.  (c) 2026 the Pixferry "
    "developers.";

// A "Save " command word: what follows the prefix, less the suffix when the text ends with it,
// becomes the value, and the switch tells whether the suffix was there; both are written to
// their records of the settings file.
struct SaveWord {
  std::string_view suffix;
  std::string& value;
  std::string& on_switch;
  int value_record;
  int switch_record;
  std::string_view what;  // what the value is, in the refusal
  std::string_view set;   // the confirmation, before the value
  std::string_view title;
};

// Stores a value and its switch in memory and in their records, then confirms. A value the
// settings file's code page cannot hold is refused before anything changes: stored, it would
// come back with "?" in place of its letters, naming another folder or program.
void StoreSaved(std::string value, bool switch_on, const SaveWord& word, Desktop& desktop) {
  if (!FitsAnsi(value)) {
    desktop.MsgBox(value + " cannot be stored in " + std::string(kPathsFile) +
                       ": it has characters that the file's code page cannot hold.  The " +
                       std::string(word.what) + " was not changed.",
                   mb::kExclamation, "Not Saved");
    return;
  }
  word.value = std::move(value);
  word.on_switch = switch_on ? "True" : "False";
  // Opened, written and closed before any box, success or failure.
  {
    RecordFile file;
    ThrowIfError(file.Open(std::string(kPathsFile), RecordFile::Mode::WriteOnly));
    ThrowIfError(file.Write(word.value_record, word.value));
    ThrowIfError(file.Write(word.switch_record, word.on_switch));
  }
  desktop.MsgBox(std::string(word.set) + word.value, mb::kInformation, word.title);
}

// True when text was such a command (the click ends there). The suffix is tested on the whole
// text, so in "Save Rename" it takes in the prefix's blank and leaves a value shorter than itself
// to cut off: invalid procedure call, with the members already changed.
bool RunSaveCommand(const std::string& text, const SaveWord& word, Desktop& desktop) {
  if (text.empty() || !text.starts_with(kSavePrefix)) return false;
  std::string new_value = text.substr(kSavePrefix.size());
  const bool with_suffix = text.ends_with(word.suffix);
  if (with_suffix && new_value.size() < word.suffix.size()) {
    word.value = std::move(new_value);
    word.on_switch = "True";
    throw RuntimeError(err::kInvalidProcedureCall);
  }
  if (with_suffix) new_value.resize(new_value.size() - word.suffix.size());
  StoreSaved(std::move(new_value), with_suffix, word, desktop);
  return true;
}

SaveWord DestinationWord(frmMain& form) {
  return {
      .suffix = " Rename",
      .value = form.strSavePath,
      .on_switch = form.strRenameSwitch,
      .value_record = paths_record::kDestination,
      .switch_record = paths_record::kRename,
      .what = "destination",
      .set = "Destination set to ",
      .title = "Destination",
  };
}

}  // namespace

bool frmMain::SourceCommand() {
  const std::string strText = txtIncidentNumber.Text();
  if (RunSaveCommand(strText, DestinationWord(*this), desktop)) return true;
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
    std::string strCurrent;
    ThrowIfError(CurrentDirectory(strCurrent));
    desktop.MsgBox(strCurrent + " is the current directory", mb::kOkOnly, "");
    desktop.MsgBox(strMyDirectory + " is strMyDirectory", mb::kOkOnly, "");
    return true;
  }
  return false;
}

void frmMain::SaveDestination(const std::string& strFolder) {
  StoreSaved(strFolder, false, DestinationWord(*this), desktop);
}

bool frmMain::StartCommand() {
  const std::string strText = txtUser.Text();
  if (RunSaveCommand(
          strText,
          {" Local", strMediaProgram, strLocalSwitch, paths_record::kProgram, paths_record::kLocal,
           "program to open media", "Program to open media set to ", "Open With..."},
          desktop)) {
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
