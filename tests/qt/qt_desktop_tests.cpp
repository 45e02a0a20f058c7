// The desktop services on Qt: message boxes, the folder dialog, picture decoding and opening a
// photo in another program, each on real widgets, files and processes.
#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <QtTest>
#include <filesystem>
#include <string>

#include "app/layout.h"
#include "platform/errors.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/tempdir.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/Program.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/Widgets.h"

using namespace pixferry;
using namespace pixferry::qt;
using pixferry::qt::testing::OnModal;
using pixferry::testing::Exists;
using pixferry::testing::MakeFolders;
using pixferry::testing::ReadFile;
using pixferry::testing::TempDir;
using pixferry::testing::WriteFile;

namespace {

bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::string SolidJpeg(const TempDir& folder, const std::string& name, QSize size, QColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  const std::string path = folder / name;
  if (!image.save(QString::fromStdString(path), "JPEG", 95)) return {};
  return path;
}

// The entry selected in the folder dialog's list, empty while its listing is being read.
QString SelectedName(QFileDialog& dialog) {
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  if (!view || !view->selectionModel()) return {};
  const QModelIndexList rows = view->selectionModel()->selectedRows();
  return rows.isEmpty() ? QString() : rows.first().data().toString();
}

// The number of the RuntimeError that action throws, 0 when it throws none.
template <class F>
int ErrorNumberOf(F action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    pixferry::qt::testing::QuietOffscreenNotes();
    LoadFonts();
    InitResources();
  }

  // ---- Message boxes.

  void messageBoxStyles_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("yes_no");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("shown_title");
    const int none = QMessageBox::NoIcon, stop = QMessageBox::Critical,
              question = QMessageBox::Question, exclamation = QMessageBox::Warning,
              information = QMessageBox::Information;
    QTest::newRow("error box") << 0 << ""
                               << "ok" << none << false << 1 << "Pixferry";
    QTest::newRow("OK by Escape") << 0 << ""
                                  << "escape" << none << false << 1 << "Pixferry";
    QTest::newRow("stop") << 16 << "Stop"
                          << "ok" << stop << false << 1 << "Stop";
    QTest::newRow("question, Yes") << 36 << "Delete"
                                   << "yes" << question << true << 6 << "Delete";
    QTest::newRow("question, No") << 36 << "Delete"
                                  << "no" << question << true << 7 << "Delete";
    QTest::newRow("Yes/No by Escape") << 52 << ""
                                      << "escape" << exclamation << true << 7 << "Pixferry";
    QTest::newRow("exclamation") << 48 << "Error!"
                                 << "ok" << exclamation << false << 1 << "Error!";
    QTest::newRow("information") << 64 << "Done"
                                 << "ok" << information << false << 1 << "Done";
  }

  void messageBoxStyles() {
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(QString, answer);
    QFETCH(int, icon);
    QFETCH(bool, yes_no);
    QFETCH(int, result);
    QFETCH(QString, shown_title);

    QString seen_title;
    int seen_icon = -1;
    QList<QMessageBox::StandardButton> buttons;
    bool plain_buttons = true;
    QAbstractButton* default_button = nullptr;
    QAbstractButton* yes = nullptr;
    OnModal<QMessageBox> act([&](QMessageBox& box) {
      seen_title = box.windowTitle();
      seen_icon = box.icon();
      for (QAbstractButton* b : box.buttons()) {
        buttons << box.standardButton(b);
        plain_buttons = plain_buttons && b->icon().isNull();
      }
      default_button = box.defaultButton();
      yes = box.button(QMessageBox::Yes);
      if (answer == QLatin1String("escape")) {
        QTest::keyClick(&box, Qt::Key_Escape);
      } else {
        const auto which = answer == QLatin1String("yes")  ? QMessageBox::Yes
                           : answer == QLatin1String("no") ? QMessageBox::No
                                                           : QMessageBox::Ok;
        QTest::mouseClick(box.button(which), Qt::LeftButton);
      }
      return true;
    });
    const int got = ShowMessageBox(nullptr, "Some text", style, title.toStdString());
    QVERIFY(act.answered());
    QCOMPARE(got, result);
    QCOMPARE(seen_title, shown_title);
    QCOMPARE(seen_icon, icon);
    QVERIFY(plain_buttons);
    if (yes_no) {
      QCOMPARE(buttons.size(), 2);
      QVERIFY(buttons.contains(QMessageBox::Yes) && buttons.contains(QMessageBox::No));
      QCOMPARE(default_button, yes);  // as the classic box: the first button
    } else {
      QCOMPARE(buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    }
  }

  void messageBoxShowsPlainTextAndTheExactTitle() {
    const std::string text = "<b>E:\\DCIM</b> &amp; a&b does not exist!  Two spaces.";
    QString seen_text, shown_title, label_text;
    Qt::TextFormat format = Qt::AutoText;
    OnModal<QMessageBox> act([&](QMessageBox& box) {
      if (!box.windowHandle() || !box.isVisible()) return false;
      seen_text = box.text();
      format = box.textFormat();
      shown_title = box.windowHandle()->title();
      if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label_text = label->text();
        if (label->textFormat() != Qt::PlainText) label_text.clear();
      }
      box.button(QMessageBox::Ok)->click();
      return true;
    });
    ShowMessageBox(nullptr, text, 48, "Nothing [*] Here");
    QVERIFY(act.answered());
    QCOMPARE(seen_text, QString::fromStdString(text));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(label_text, QString::fromStdString(text));
    QCOMPARE(shown_title, QStringLiteral("Nothing [*] Here"));
  }

  void messageBoxIsModalToTheActiveWindow() {
    QtWindow main(MainFormLayout(), MainWindowStyle());
    QtDesktop desktop(main);
    main.Show(nullptr);
    QVERIFY(QTest::qWaitForWindowActive(main.widget()));
    QWidget* parent = nullptr;
    bool modal = false;
    OnModal<QMessageBox> act([&](QMessageBox& box) {
      parent = box.parentWidget();
      modal = box.isModal() && QApplication::activeModalWidget() == &box;
      box.button(QMessageBox::Yes)->click();
      return true;
    });
    QCOMPARE(desktop.MsgBox("Sure?", 36, "Delete"), 6);
    QCOMPARE(parent, main.widget());
    QVERIFY(modal);
  }

  // ---- Folder dialog.

  void folderDialogOpensOnTheStartFolderSelected_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("card folder") << "card/DCIM"
                                 << "";
    QTest::newRow("trailing separator") << "card/DCIM"
                                        << "/";
    QTest::newRow("spaces and accents") << "Fotos ä/Tag 1"
                                        << "";
  }

  void folderDialogOpensOnTheStartFolderSelected() {
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    TempDir root;
    const std::string start = root / folder.toStdString();
    MakeFolders(start + "/100MEDIA");
    MakeFolders(root / "card/MISC");
    QtWindow main(MainFormLayout(), MainWindowStyle());
    QtDesktop desktop(main);
    main.Show(nullptr);

    QString title, directory, selected;
    QWidget* parent = nullptr;
    OnModal<QFileDialog> act([&](QFileDialog& dialog) {
      selected = SelectedName(dialog);
      if (selected.isEmpty()) return false;  // the listing is still being read
      title = dialog.windowTitle();
      directory = dialog.directory().absolutePath();
      parent = dialog.parentWidget();
      static_cast<QDialog&>(dialog).accept();  // as the Choose button does
      return true;
    });
    const std::string chosen =
        desktop.PickFolder(start + suffix.toStdString(), "Locate Your Photos Folder");
    QVERIFY(act.answered());
    QCOMPARE(title, QStringLiteral("Locate Your Photos Folder"));
    QCOMPARE(directory, QFileInfo(QString::fromStdString(start)).absolutePath());
    QCOMPARE(selected, QFileInfo(QString::fromStdString(start)).fileName());
    QCOMPARE(parent, main.widget());
    QCOMPARE(chosen, start);  // accepting at once returns the start folder, no separator
  }

  void folderDialogCancelReturnsEmpty_data() {
    QTest::addColumn<QString>("start");  // relative to a fresh folder; "-" means empty
    QTest::newRow("existing start") << "card/DCIM";
    QTest::newRow("missing start") << "card/GONE";
    QTest::newRow("empty start") << "-";
  }

  void folderDialogCancelReturnsEmpty() {
    QFETCH(QString, start);
    TempDir root;
    MakeFolders(root / "card/DCIM");
    QtWindow main(MainFormLayout(), MainWindowStyle());
    QtDesktop desktop(main);
    QString title;
    OnModal<QFileDialog> act([&](QFileDialog& dialog) {
      title = dialog.windowTitle();
      dialog.reject();
      return true;
    });
    const std::string from = start == QLatin1String("-") ? "" : root / start.toStdString();
    QCOMPARE(desktop.PickFolder(from, "Locate Your Photos Folder"), std::string());
    QVERIFY(act.answered());  // the dialog opened in every case
    QCOMPARE(title, QStringLiteral("Locate Your Photos Folder"));
  }

  void folderDialogReturnsTheChosenFolder() {
    TempDir root;
    MakeFolders(root / "card/DCIM/100MEDIA");
    QtWindow main(MainFormLayout(), MainWindowStyle());
    QtDesktop desktop(main);
    // As the operator does: open the start folder, wait for its listing, click the subfolder.
    const QString dcim = QString::fromStdString(root / "card/DCIM");
    bool went_in = false;
    OnModal<QFileDialog> into_subfolder([&](QFileDialog& dialog) {
      if (!went_in) {
        if (SelectedName(dialog) != QLatin1String("DCIM")) return false;
        dialog.setDirectory(dcim);
        went_in = true;
        return false;
      }
      auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
      if (dialog.directory().absolutePath() != dcim) return false;
      for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        const QModelIndex entry = view->model()->index(row, 0, view->rootIndex());
        if (entry.data().toString() != QLatin1String("100MEDIA")) continue;
        view->setFocus();
        view->selectionModel()->select(
            entry, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        static_cast<QDialog&>(dialog).accept();  // as the Choose button does
        return true;
      }
      return false;  // still being read
    });
    QCOMPARE(QString::fromStdString(desktop.PickFolder(root / "card/DCIM", "t")),
             QString::fromStdString(root / "card/DCIM/100MEDIA"));

    OnModal<QFileDialog> root_folder([&](QFileDialog& dialog) {
      auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
      if (!view || !view->model() || view->model()->rowCount(view->rootIndex()) == 0) {
        return false;
      }
      static_cast<QDialog&>(dialog).accept();
      return true;
    });
    QCOMPARE(desktop.PickFolder("/", "t"), std::string("/"));  // the root keeps its separator
  }

  // ---- Pictures.

  void pictureIsStretchedToTheBox() {
    TempDir folder;
    // Tall and narrow: kept in proportion it would leave the sides of the box empty.
    const std::string tall = SolidJpeg(folder, "tall.jpg", QSize(10, 60), Qt::red);
    QVERIFY(!tall.empty());
    PictureView view(nullptr);
    view.resize(112, 80);
    QVERIFY(!view.HasPicture());
    view.LoadPicture(QString::fromStdString(tall));
    QVERIFY(view.HasPicture());
    const QImage shot = view.grab().toImage();
    for (QPoint p :
         {QPoint(2, 2), QPoint(109, 2), QPoint(2, 77), QPoint(109, 77), QPoint(56, 40)}) {
      QVERIFY2(Near(shot.pixel(p), qRgb(255, 0, 0), 40),
               qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }
    QVERIFY(Near(shot.pixel(0, 40), view.palette().color(QPalette::WindowText).rgb(), 8));

    // A camera's small JPEG, and an upper-case extension, load as well.
    const std::string small = folder / "IMG_0001.JPG";
    WriteFile(small, pixferry::testing::JpegBytes());
    view.LoadPicture(QString::fromStdString(small));
    QVERIFY(view.HasPicture());
  }

  void pictureErrorsKeepThePreviousPicture_data() {
    QTest::addColumn<QString>("case_name");
    QTest::addColumn<int>("number");
    QTest::newRow("file missing, folder there") << "missing" << err::kFileNotFound;
    QTest::newRow("folder missing") << "no folder" << err::kPathNotFound;
    QTest::newRow("not a picture") << "text" << err::kInvalidPicture;
    QTest::newRow("empty file") << "empty" << err::kInvalidPicture;
    QTest::newRow("JPEG header only") << "header" << err::kInvalidPicture;
    QTest::newRow("a folder") << "folder" << err::kPathFileAccessError;
    QTest::newRow("unreadable") << "unreadable" << err::kPermissionDenied;
  }

  void pictureErrorsKeepThePreviousPicture() {
    QFETCH(QString, case_name);
    QFETCH(int, number);
    TempDir folder;
    const std::string red = SolidJpeg(folder, "red.jpg", QSize(40, 30), Qt::red);
    std::string bad = folder / "bad.jpg";
    if (case_name == QLatin1String("no folder")) bad = folder / "card gone/DCIM/bad.jpg";
    if (case_name == QLatin1String("text")) WriteFile(bad, "this is no picture\n");
    if (case_name == QLatin1String("empty")) WriteFile(bad, "");
    if (case_name == QLatin1String("header")) WriteFile(bad, std::string("\xFF\xD8\xFF\xE0", 4));
    if (case_name == QLatin1String("folder")) MakeFolders(bad);
    if (case_name == QLatin1String("unreadable")) {
      WriteFile(bad, pixferry::testing::JpegBytes());
      std::filesystem::permissions(bad, std::filesystem::perms::none);
      if (QFileInfo(QString::fromStdString(bad)).isReadable()) QSKIP("running with root rights");
    }

    PictureView view(nullptr);
    view.resize(112, 80);
    view.LoadPicture(QString::fromStdString(red));
    QCOMPARE(ErrorNumberOf([&] { view.LoadPicture(QString::fromStdString(bad)); }), number);
    QVERIFY(view.HasPicture());
    QVERIFY(Near(view.grab().toImage().pixel(56, 40), qRgb(255, 0, 0), 40));
  }

  void pictureBoxOfTheCoreReportsRuntimeErrors() {
    TempDir folder;
    Program p;
    QVERIFY(!p.viewer_window.IsLoaded());
    try {
      p.viewer_picture.LoadPicture(folder / "IMG_0009.JPG");
      QFAIL("no error for a missing file");
    } catch (const RuntimeError& e) {
      QCOMPARE(e.number(), err::kFileNotFound);
      QCOMPARE(e.description(), std::string(ErrorDescription(err::kFileNotFound)));
    }
    QVERIFY(!p.viewer_picture.HasPicture());
    const std::string photo = SolidJpeg(folder, "IMG_0010.JPG", QSize(64, 48), Qt::blue);
    p.viewer_picture.LoadPicture(photo);
    QVERIFY(p.viewer_picture.HasPicture());
    QVERIFY(p.viewer_window.IsLoaded());  // using its picture box made the window
    QVERIFY(!p.viewer_window.IsVisible());
  }

  // ---- Another program.

  void otherProgramGetsThePhotoPathAsOneArgument() {
    TempDir folder;
    const std::string work = folder / "work dir";
    MakeFolders(work);
    const std::string out = folder / "args.txt";
    const std::string script = folder / "show args.sh";
    WriteFile(script,
              "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; pwd; } > '" +
                  out + ".part'\nmv '" + out + ".part' '" + out + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    QtWindow main(MainFormLayout(), MainWindowStyle());
    QtDesktop desktop(main);

    const std::string photo = folder / "My Photos/IMG 0001.JPG";
    desktop.OpenWithProgram(script, photo, work);
    QTRY_VERIFY_WITH_TIMEOUT(Exists(out), 10000);
    QCOMPARE(ReadFile(out), "1\n[" + photo + "]\n" + work + "\n");

    std::filesystem::remove(out);
    desktop.OpenWithProgram(script, "", work);
    QTRY_VERIFY_WITH_TIMEOUT(Exists(out), 10000);
    QCOMPARE(ReadFile(out), "0\n" + work + "\n");
  }

  void otherProgramThatCannotStartIsIgnored() {
    TempDir folder;
    QtWindow main(MainFormLayout(), MainWindowStyle());
    QtDesktop desktop(main);
    desktop.OpenWithProgram(folder / "no such program", folder / "a.jpg", folder.path());
    desktop.OpenWithProgram("", folder / "a.jpg", folder.path());
    desktop.OpenWithProgram("/bin/true", "x", folder / "no such folder");
    QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
            !QApplication::activeModalWidget());  // no message of any kind
  }
};

QTEST_MAIN(DesktopTest)
#include "qt_desktop_tests.moc"
