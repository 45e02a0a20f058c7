#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/frmMain.h"
#include "cleanse/mdlDeleteTree.h"
#include "platform/files.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The folder a path really names: absolute, links resolved as far as the path exists, "." and
// ".." folded, no trailing separator (a root keeps its own).
fs::path Normalised(const std::string& text) {
  const fs::path path = PathFromUtf8(text);
  std::error_code ec;
  fs::path result = fs::weakly_canonical(path, ec);
  if (ec) {
    result = fs::absolute(path, ec);
    if (ec) result = path;
    result = result.lexically_normal();
  }
  if (result.has_relative_path() && !result.has_filename()) result = result.parent_path();
  return result;
}

std::string Comparable(const fs::path& path) {
  std::string text = Utf8FromPath(path);
#ifdef _WIN32
  // Windows names do not differ by case.
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
#endif
  return text;
}

std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// True when the destination root is the source folder or lies inside it: deleting the source
// would take the copies with it.
bool DestinationInsideSource(const std::string& strSave, const std::string& strSource) {
  if (strSave.empty()) return false;
  const fs::path source = Normalised(TrimSpaces(strSource));
  // A root is never deleted (the tree deletion refuses it itself), so nothing below it is at risk.
  if (source == source.root_path()) return false;
  const std::string source_text = Comparable(source);
  const std::string save_text = Comparable(Normalised(strSave));
  if (save_text == source_text) return true;
  return save_text.size() > source_text.size() &&
         save_text.compare(0, source_text.size(), source_text) == 0 &&
         save_text[source_text.size()] == static_cast<char>(fs::path::preferred_separator);
}

}  // namespace

void frmMain::cmdDelete_Click() {
  try {
    if (strSourcePath.empty()) {
      desktop.MsgBox("Source directory is not set!", mb::kInformation, "Nope");
      return;
    }
    if (DestinationInsideSource(strSavePath, strSourcePath)) {
      desktop.MsgBox("The destination folder " + strSavePath + " lies inside the source folder " +
                         strSourcePath + ", so deleting the source would delete the copies too.  " +
                         "Nothing has been deleted.",
                     mb::kStop, "Delete refused");
      return;
    }
    if (!ConfirmUncopied()) return;
    const int answer = desktop.MsgBox(
        "Are you sure you want to delete the source files from " + strSourcePath + "?",
        mb::kYesNo + mb::kQuestion, "Delete?");
    if (answer != mb::kAnswerYes) return;

    std::int16_t intFailed = 0;
    DeleteTree(strSourcePath, intFailed, desktop);
    // The source is forgotten whatever the outcome: part of it may be gone already.
    strSourcePath.clear();
    lngSourceCount = 0;
    strSourceFiles.assign(1, std::string());
    txtSource.SetText("");

    SetSourceButtons(!txtSource.Text().empty());
    txtMessage.SetText(intFailed == 0 ? "Photos have been cleansed from the source."
                                      : "There has been an ERROR in cleansing (deletion).");
  } catch (...) {
    ShowErrorBox("");
  }
}

}  // namespace pixferry
