// The desktop services on Qt: message boxes, the folder dialog and picture decoding, each on
// real widgets and files.
#include <QAbstractItemView>
#include <QFileDialog>
#include <QListView>
#include <QtTest>

#include "platform/errors.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/tempdir.h"
#include "ui/qt/Program.h"
#include "ui/qt/Widgets.h"

using namespace pixferry;
using namespace pixferry::qt;
using namespace pixferry::qt::testing;
using namespace pixferry::testing;
using Box = QMessageBox;

namespace {

struct BoxCase {
  const char *name, *title, *shown_title;
  int style, result;
  Box::StandardButton press;  // NoButton: the key
  Box::Icon icon;
  Qt::Key key = Qt::Key_Escape;
};
constexpr BoxCase kBoxCases[] = {
    {"error box", "", "Pixferry", 0, 1, Box::Ok, Box::NoIcon},
    {"stop", "Nothing [*] Here", "Nothing [*] Here", 16, 1, Box::Ok, Box::Critical},
    {"question, Yes", "Delete?", "Delete?", 36, 6, Box::Yes, Box::Question},
    {"Yes/No by Escape: No", "", "Pixferry", 52, 7, Box::NoButton, Box::Warning},
    // No as the default (Delete's question about photos without a verified copy).
    {"No default, Return: No", "Not copied", "Not copied", 308, 7, Box::NoButton, Box::Warning,
     Qt::Key_Return},
};

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

  // A window of the program owns the dialogs, as in the running program.
  QtWindow main_{MainFormLayout(), MainWindowStyle()};
  QtDesktop desktop_{main_};

 private slots:
  void initTestCase() {
    InitResources();
    main_.Show(nullptr);
    QVERIFY(QTest::qWaitForWindowActive(main_.widget()));
  }

  // Each style's icon, buttons, default and title, and the text shown as written (plain text).
  void messageBoxStyles() {
    const std::string text = "<b>E:\\DCIM</b> &amp; a&b does not exist!  Two spaces.";
    for (const BoxCase& c : kBoxCases) {
      SeenBox seen;
      OnModal<QMessageBox> act(Press(c.press, seen, c.key));
      QCOMPARE(desktop_.MsgBox(text, c.style, c.title), c.result);
      QVERIFY2(act.answered() && seen.text.toStdString() == text && seen.plain_text, c.name);
      QCOMPARE(seen.title, c.shown_title);
      QCOMPARE(seen.icon, c.icon);
      QCOMPARE(seen.parent, main_.widget());  // modal to the program's window
      const auto buttons = c.style & 4 ? QList{Box::Yes, Box::No} : QList{Box::Ok};
      QCOMPARE(seen.buttons, buttons);
      QCOMPARE(seen.default_button, buttons[c.style & 256 ? 1 : 0]);
    }
  }

  // The picker opens on its start folder, selected, and lets a folder be chosen, nothing more: no
  // path field to type in, no new folder, no context menu, no renaming, and the Delete key
  // deletes nothing.
  void folderDialogOpensOnTheStartFolderAndCannotChangeWhatItShows() {
    TempDir root;
    const std::string start = root / "Fotos ä/Tag 1/";  // a trailing separator
    WriteFile(start + "/100MEDIA/IMG_0001.JPG", "x");
    const QFileInfo expected(QDir::cleanPath(QString::fromStdString(start)));
    QStringList seen;  // the title, the selected folder, then any fault found
    OnModal<QFileDialog> act([&](QFileDialog& dialog) {
      auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
      const auto rows = view->selectionModel()->selectedRows();
      if (rows.isEmpty()) return false;  // the listing is still being read
      seen << dialog.windowTitle()
           << dialog.directory().absoluteFilePath(rows.first().data().toString());
      // A field or button is a fault when shown; a view, when it edits or has a context menu.
      for (const char* name : {"fileNameEdit", "newFolderButton", "fileTypeCombo", "listView",
                               "treeView", "sidebar"}) {
        auto* widget = dialog.findChild<QWidget*>(QLatin1String(name));
        auto* v = qobject_cast<QAbstractItemView*>(widget);
        if (v ? v->contextMenuPolicy() != Qt::NoContextMenu ||
                    v->editTriggers() != QAbstractItemView::NoEditTriggers
              : widget && widget->isVisible()) {
          seen << QLatin1String(name);
        }
      }
      view->setFocus();
      QTest::keyClick(view, Qt::Key_Delete);
      QTest::keyClick(view, Qt::Key_F2);
      QApplication::processEvents();
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen << QStringLiteral("the Delete key asked to delete a folder");
        box->reject();
      }
      return static_cast<QDialog&>(dialog).accept(), true;  // as the Choose button does
    });
    const std::string chosen = desktop_.PickFolder(start, "Locate Your Photos Folder");
    QCOMPARE(seen, (QStringList{QStringLiteral("Locate Your Photos Folder"), expected.filePath()}));
    QCOMPARE(QString::fromStdString(chosen), expected.filePath());  // no trailing separator
    QVERIFY(Exists(start + "/100MEDIA/IMG_0001.JPG"));
  }

  // A photo not in 4:3 fills the viewer's whole window, distorted; the window is made but stays
  // hidden. A picture that cannot be shown leaves the previous one on show.
  void pictureIsStretchedAndErrorsKeepIt() {
    TempDir folder;
    QImage tall(10, 60, QImage::Format_RGB32);
    tall.fill(Qt::red);
    tall.save(QString::fromStdString(folder / "tall.jpg"), "JPEG", 95);
    Program p;
    p.viewer_picture.LoadPicture(folder / "tall.jpg");
    QVERIFY(p.viewer_window.IsLoaded() && !p.viewer_window.IsVisible());
    QWidget* view = p.viewer_window.widget()->Control("imgSource");
    const auto red = [view](QPoint at) {
      const QRgb shown = view->grab().toImage().pixel(at);
      return qRed(shown) > 215 && qGreen(shown) < 40 && qBlue(shown) < 40;
    };
    const int right = p.viewer_window.widget()->width() - 3, bottom = view->height() - 3;
    for (QPoint at : {QPoint(2, 2), QPoint(right, 2), QPoint(2, bottom), QPoint(right, bottom)}) {
      QVERIFY(red(at));
    }

    WriteFile(folder / "text.jpg", "this is no picture\n");
    for (const auto& [name, number] : {std::pair{"IMG_0002.JPG", err::kFileNotFound},
                                       std::pair{"text.jpg", err::kInvalidPicture}}) {
      try {
        p.viewer_picture.LoadPicture(folder / name);
        QFAIL(name);
      } catch (const RuntimeError& e) {
        QCOMPARE(e.number(), number);
      }
      QVERIFY(red({50, 50}));
    }
  }
};

QTEST_MAIN(DesktopTest)
#include "qt_desktop_tests.moc"
