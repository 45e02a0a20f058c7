// Pixferry handed a card on its command line, as a desktop starts it when a card is inserted,
// through the real widgets: the first start, and a card whose names are not UTF-8.
#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>
#include <filesystem>

#include "tests/qt/QtTestSupport.h"
#include "tests/support/tempdir.h"
#include "ui/qt/Program.h"

using namespace pixferry;
using namespace pixferry::qt;
using namespace pixferry::qt::testing;
using namespace pixferry::testing;
namespace fs = std::filesystem;

namespace {

// A folder with a card holding one photo, a start-up folder elsewhere and the user's settings
// folder.
struct Scene {
  explicit Scene(const std::string& photo = "IMG_0001.JPG") {
    WriteFile(dir / ("card/DCIM/100MEDIA/" + photo), JpegBytes());
    MakeFolders(dir / "Cases");
  }

  TempDir dir;
  bool started_made = (MakeFolders(dir / "started"), true);
  ScopedCurrentDirectory cd{dir / "started"};
  ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InitResources(); }

  // The first start from a card: no error box, but the picker asking where case folders go,
  // on the Pictures folder. Cancel goes on to list the card; nothing is saved, and Qt keeps no
  // dialog history anywhere.
  void aFirstStartAsksWhereCaseFoldersGoAndListsTheCard() {
    Scene s;
    const ScopedEnv home("HOME", (s.dir / "home").c_str());
    MakeFolders(s.dir / "home/Pictures");

    Program p;
    SeenBox seen;  // a refusal or error box, answered so that a failure cannot hang the test
    OnModal<QMessageBox> no_box(Press(QMessageBox::Ok, seen));
    QVERIFY(p.TakeArguments({s.dir / "card"}));
    QStringList shown;  // the title, the folder it opened in and the one selected
    OnModal<QFileDialog> cancel([&](QFileDialog& dialog) {
      const QStringList chosen = dialog.selectedFiles();
      if (!dialog.isVisible() || chosen.isEmpty()) return false;
      shown = {dialog.windowTitle(), dialog.directory().absolutePath(), chosen.first()};
      dialog.reject();
      return true;
    });
    p.Start();
    QVERIFY(QTest::qWaitForWindowActive(p.main_window.widget()));
    QCOMPARE(shown, (QStringList{QStringLiteral("Choose where case folders go"),
                                 QString::fromStdString(s.dir / "home"),
                                 QString::fromStdString(s.dir / "home/Pictures")}));
    QVERIFY2(!no_box.answered(), qPrintable(seen.text));
    QCOMPARE(p.txtSource.Text(), std::string("IMG_0001.JPG"));
    p.main_window.Unload();
    QCOMPARE(AllNames(s.dir / "config"), Names{"pixferry"});
    QCOMPARE(AllNames(s.dir / "config/pixferry"), Names{});
    QCOMPARE(AllNames(s.dir / "home"), Names{"Pictures"});
  }

  // A name that is not UTF-8 stays the same bytes from the card to the list, the preview, the
  // other program's command line, and a text box until the operator changes its text.
  void aNameThatIsNotUtf8KeepsItsBytesEndToEnd() {
    const std::string odd = "caf\xE9 \xFF.jpg";
    Scene s(odd);
    const std::string photo = s.dir / ("card/DCIM/100MEDIA/" + odd);
    const std::string dump = s.dir / "argv.bin", script = s.dir / "dump args";
    WriteFile(script, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + dump + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    WriteFile(s.dir / "config/pixferry/paths.dat",
              RecordBytes(s.dir / "Cases") + RecordBytes(script) + RecordBytes("False"));

    Program p;
    SeenBox seen;
    OnModal<QMessageBox> no_box(Press(QMessageBox::Ok, seen));
    QVERIFY(p.TakeArguments({s.dir / "card"}));
    p.Start();
    FormWidget* w = p.main_window.widget();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QCOMPARE(p.txtSource.Text(), odd);
    QVERIFY(qobject_cast<QLineEdit*>(w->Control("txtSource"))->text().contains(u"caf"));
    QTest::mouseClick(w->Control("cmdViewSource"), Qt::LeftButton);
    QVERIFY(p.imgSource.HasPicture());
    QTest::mouseDClick(w->Control("imgSource"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ReadFile(dump), "1|" + photo, 10000);

    // What the operator types replaces the kept bytes; the same text on show gives them back.
    auto* box = qobject_cast<QLineEdit*>(w->Control("txtIncidentNumber"));
    p.txtIncidentNumber.SetText("Save /x/caf\xE9");
    QCOMPARE(p.txtIncidentNumber.Text(), std::string("Save /x/caf\xE9"));
    box->setText(box->text() + "s");
    QCOMPARE(p.txtIncidentNumber.Text(), std::string("Save /x/caf\xEF\xBF\xBDs"));
    p.txtMessage.SetText("\xE9");
    QCOMPARE(p.txtMessage.Text(), std::string("\xE9"));
  }
};

QTEST_MAIN(StartupTest)
#include "qt_startup_tests.moc"
