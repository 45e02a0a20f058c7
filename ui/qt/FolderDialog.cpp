#include "ui/qt/FolderDialog.h"

#include <pwd.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>
#include <QUrl>

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

// The user's login name, which names the folder the desktop mounts removable media in.
QString UserName() {
  if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_name != nullptr) {
    return QFile::decodeName(user->pw_name);
  }
  return qEnvironmentVariable("USER");
}

// The side bar: each mounted removable medium (udisks mounts them at /media/USER/NAME, or
// /run/media/USER/NAME on some systems), where the card is, and the home folder.
QList<QUrl> SidebarUrls() {
  const QString user = UserName();
  QStringList media;
  if (!user.isEmpty()) {
    const QStringList parents = {QStringLiteral("/media/") + user + QLatin1Char('/'),
                                 QStringLiteral("/run/media/") + user + QLatin1Char('/')};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
      const QString root = volume.rootPath();
      for (const QString& parent : parents) {
        if (root.startsWith(parent) && root.size() > parent.size() &&
            !root.mid(parent.size()).contains(QLatin1Char('/'))) {
          media << root;
        }
      }
    }
  }
  media.sort();
  QList<QUrl> urls;
  for (const QString& root : media) urls << QUrl::fromLocalFile(root);
  urls << QUrl::fromLocalFile(QDir::homePath());
  return urls;
}

// Qt's dialog reads its side bar, history and last folder from the user's QtProject.conf and
// writes them back each time it closes: a record of card paths outside Pixferry's settings
// folder. Qt's own user settings are sent to a path under /dev/null, where no file can be made,
// so they are neither read nor written. Pixferry keeps no settings of its own through Qt.
void KeepNoDialogHistory() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
}

QString WithoutTrailingSeparator(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/')) && !QDir(path).isRoot()) path.chop(1);
  return path;
}

}  // namespace

std::string PickFolderDialog(QWidget* parent, const std::string& start_folder,
                             const std::string& title) {
  KeepNoDialogHistory();
  QFileDialog dialog(parent);
  dialog.setWindowTitle(PlainTitle(title));
  // Qt's own dialog: the same on every desktop, and it can open with a folder selected.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setSidebarUrls(SidebarUrls());
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
