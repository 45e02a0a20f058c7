#include "shell/qt/FolderDialog.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "ui/qt/Text.h"

namespace pixferry::qt {
namespace {

// Opens on the start folder's parent with the start folder itself selected, so that accepting
// at once returns the start folder.
void PreSelect(QFileDialog& dialog, const std::string& start_folder) {
  if (start_folder.empty()) return;
  // Looked at by its bytes: the name on show may have lost some (see ToDiskPath).
  std::error_code ec;
  if (!std::filesystem::is_directory(start_folder, ec)) return;
  const QString folder = QDir::cleanPath(QFileInfo(ToQString(start_folder)).absoluteFilePath());
  if (QDir(folder).isRoot()) {
    dialog.setDirectory(folder);
    return;
  }
  dialog.setDirectory(QFileInfo(folder).absolutePath());
  dialog.selectFile(folder);
}

// Nothing in the picker can change what it shows: the card is evidence. Folders only; no path
// to type, no new folder, and a read-only model, so no rename, delete or drop, by menu, key or
// mouse; the views and the side bar offer no context menu at all.
void MakeReadOnly(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::ReadOnly);
  for (const char* name :
       {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel", "newFolderButton"}) {
    if (auto* widget = dialog.findChild<QWidget*>(QLatin1String(name))) widget->hide();
  }
  for (const char* name : {"listView", "treeView", "sidebar"}) {
    if (auto* view = dialog.findChild<QAbstractItemView*>(QLatin1String(name))) {
      view->setContextMenuPolicy(Qt::NoContextMenu);
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
      view->setDragDropMode(QAbstractItemView::NoDragDrop);
    }
  }
}

// The dialog speaks QString, which cannot hold a name that is not UTF-8; such a name comes back
// with U+FFFD in it. Each part of the chosen path is matched back to the one entry of its folder
// that reads the same, so the core gets the folder's real bytes.
std::string ToDiskPath(const QString& chosen) {
  std::string path = ToStdString(chosen);
  if (QFileInfo::exists(chosen) && !chosen.contains(QChar::ReplacementCharacter)) return path;
  const QStringList parts = chosen.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  std::string found = "/";
  for (const QString& part : parts) {
    std::string match;
    int matches = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(found, ec)) {
      const std::string name = entry.path().filename().native();
      if (ToQString(name) == part) {
        match = name;
        ++matches;
      }
    }
    if (matches != 1) return path;  // not there, or not one alone: the dialog's own text
    if (found.back() != '/') found += '/';
    found += match;
  }
  return found;
}

QString WithoutTrailingSeparator(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/')) && !QDir(path).isRoot()) path.chop(1);
  return path;
}

}  // namespace

std::string PickFolderDialog(QWidget* parent, const std::string& start_folder,
                             const std::string& title) {
  QFileDialog dialog(parent);
  dialog.setWindowTitle(PlainTitle(title));
  // Qt's own dialog: the same on every desktop, and it can open with a folder selected.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  MakeReadOnly(dialog);
  PreSelect(dialog, start_folder);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  return ToDiskPath(WithoutTrailingSeparator(chosen.first()));
}

}  // namespace pixferry::qt
