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

// A folder with a card, a start-up folder elsewhere and the user's settings folder.
struct Scene {
  Scene() {
    WriteFile(dir / "card/DCIM/100MEDIA/IMG_0001.JPG", JpegBytes());
    MakeFolders(dir / "Cases");
  }
  std::string Home() const { return dir / "config/pixferry"; }
  void Settings(const std::string& program) const {
    MakeFolders(Home());
    WriteFile(Home() + "/paths.dat",
              RecordBytes(dir / "Cases") + RecordBytes(program) + RecordBytes("False"));
  }

  TempDir dir;
  bool started_made = (MakeFolders(dir / "started"), true);
  ScopedCurrentDirectory cd{dir / "started"};
  ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
};

// Starts the program with arguments; a refusal box, if any, is noted and answered.
bool TakeArguments(Program& p, const std::vector<std::string>& arguments, SeenBox& seen) {
  OnModal<QMessageBox> ok(Press(QMessageBox::Ok, seen));
  return p.TakeArguments(arguments);
}

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
    const std::string card = s.dir / "card";

    Program p;
    SeenBox seen;
    QVERIFY(TakeArguments(p, {card}, seen));
    QString title, opened_in, selected;
    OnModal<QFileDialog> cancel([&](QFileDialog& dialog) {
      const QStringList chosen = dialog.selectedFiles();
      if (!dialog.isVisible() || chosen.isEmpty()) return false;
      title = dialog.windowTitle();
      opened_in = dialog.directory().absolutePath();
      selected = chosen.first();
      dialog.reject();
      return true;
    });
    OnModal<QMessageBox> no_box(Press(QMessageBox::Ok, seen));
    p.Start();
    QVERIFY(QTest::qWaitForWindowActive(p.main_window.widget()));
    QVERIFY(cancel.answered());
    QCOMPARE(title, QStringLiteral("Choose where case folders go"));
    QCOMPARE(opened_in, QString::fromStdString(s.dir / "home"));
    QCOMPARE(selected, QString::fromStdString(s.dir / "home/Pictures"));
    QVERIFY2(!no_box.answered(), qPrintable(seen.text));
    QCOMPARE(p.txtSource.Text(), std::string("IMG_0001.JPG"));
    p.main_window.Unload();
    QCOMPARE(AllNames(s.dir / "config"), Names{"pixferry"});
    QCOMPARE(AllNames(s.Home()), Names{});
    QCOMPARE(AllNames(s.dir / "home"), Names{"Pictures"});
  }

  // A name that is not UTF-8 stays the same bytes from the card to the list, the preview, the
  // other program's command line, and a text box until the operator changes its text.
  void aNameThatIsNotUtf8KeepsItsBytesEndToEnd() {
    Scene s;
    const std::string odd = "caf\xE9 \xFF.jpg";
    const std::string photo = s.dir / ("card/DCIM/100MEDIA/" + odd);
    fs::remove(s.dir / "card/DCIM/100MEDIA/IMG_0001.JPG");
    WriteFile(photo, JpegBytes());
    const std::string dump = s.dir / "argv.bin", script = s.dir / "dump args";
    WriteFile(script, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + dump + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    s.Settings(script);

    Program p;
    SeenBox seen;
    QVERIFY(TakeArguments(p, {s.dir / "card"}, seen));
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
