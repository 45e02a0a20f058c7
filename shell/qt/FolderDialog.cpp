#include "shell/qt/FolderDialog.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/qt/Text.h"

namespace pixferry::qt {
namespace {

// Opens on the start folder's parent with the start folder itself selected, so that accepting
// at once returns the start folder.
void PreSelect(QFileDialog& dialog, const std::string& start_folder) {
  if (start_folder.empty()) return;
  const QFileInfo start(ToQString(start_folder));
  if (!start.isDir()) return;
  const QString folder = QDir::cleanPath(start.absoluteFilePath());
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
  return ToStdString(QDir::toNativeSeparators(WithoutTrailingSeparator(chosen.first())));
}

}  // namespace pixferry::qt
