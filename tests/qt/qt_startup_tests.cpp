// Pixferry handed a card whose names are not UTF-8 on its command line, as a desktop starts it
// when a card is inserted, through the real widgets.
#include <QLineEdit>
#include <QtTest>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "platform/records.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/tempdir.h"
#include "ui/qt/Program.h"
#include "ui/qt/Text.h"

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
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  ~Scene() { ::unsetenv("XDG_CONFIG_HOME"); }
  std::string Home() const { return dir / "config/pixferry"; }
  void Settings(const std::string& program) const {
    MakeFolders(Home());
    RecordFile settings(Home() + "/paths.dat", RecordFile::Mode::WriteOnly);
    settings.Write(1, dir / "Cases");
    settings.Write(2, program);
    settings.Write(3, "False");
  }

  TempDir dir;
  bool started_made = (MakeFolders(dir / "started"), true);
  ScopedCurrentDirectory cd{dir / "started"};
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

  // A name that is not UTF-8 stays the same bytes from the card to the list, the preview and
  // the other program's command line.
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
  }

  // What the operator types replaces the kept bytes; the same text on show gives them back.
  void aTextBoxGivesBackTheCoresBytesUntilItsTextChanges() {
    Program p;
    p.main_window.Load();
    auto* box = qobject_cast<QLineEdit*>(p.main_window.widget()->Control("txtIncidentNumber"));
    p.txtIncidentNumber.SetText("Save /x/caf\xE9");
    QCOMPARE(p.txtIncidentNumber.Text(), std::string("Save /x/caf\xE9"));
    box->setText(box->text() + "s");
    QCOMPARE(p.txtIncidentNumber.Text(), std::string("Save /x/caf\xEF\xBF\xBDs"));
    p.txtIncidentNumber.SetText("");
    QCOMPARE(p.txtIncidentNumber.Text(), std::string());
    p.txtMessage.SetText("\xE9");
    QCOMPARE(p.txtMessage.Text(), std::string("\xE9"));
  }
};

QTEST_MAIN(StartupTest)
#include "qt_startup_tests.moc"
