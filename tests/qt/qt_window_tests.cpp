// The two windows on real Qt widgets: a few anchor points of the layout, the wiring of every
// control and event, closing and hiding as the program needs, and a job that keeps them alive.
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTextEdit>
#include <QtTest>

#include "app/Dispatch.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"
#include "ui/qt/Program.h"
#include "ui/qt/Widgets.h"
#include "ui/qt/Wiring.h"

using namespace pixferry;
using namespace pixferry::qt;
using namespace pixferry::qt::testing;
using namespace pixferry::testing;

class WindowTest : public QObject {
  Q_OBJECT

  // An owned window counts as active while its owner is, so wait for the activation itself.
  static void ShowAndActivate(QtWindow& window, Window* owner = nullptr) {
    window.Show(owner);
    QTRY_COMPARE(QApplication::activeWindow(), window.widget());
  }

 private slots:
  void initTestCase() {
    InitResources();
    QCOMPARE(ScreenDpi(), 96);  // the pixel values below are those at 96 dots per inch
  }

  // Each control of the set reaches a widget of its kind under its own name, and each event of
  // the wiring table comes from its control's widget.
  void everyControlAndEventIsWiredToItsWidget() {
    TempDir dir;
    WriteFile(dir / "a.jpg", JpegBytes());
    Program p;
    std::vector<std::pair<std::string_view, Event>> fired, expected;
    p.main_window.SetOnLoad([&](FormWidget& widget) {
      ConnectEvents(widget, MainFormEvents(),
                    [&](const EventBinding& row) { fired.emplace_back(row.control, row.event); });
    });
    ShowAndActivate(p.main_window);
    struct Check {
      FormWidget& w;
      std::string jpeg;
      void Bind(std::string_view name, QtTextBox& box) {
        box.SetText(name);
        auto* line = w.ControlAs<QLineEdit>(name);
        auto* status = w.ControlAs<QTextEdit>(name);
        QVERIFY2(line || status, name.data());
        QCOMPARE(line ? line->text() : status->toPlainText(), QString::fromUtf8(name));
      }
      void Bind(std::string_view name, QtButton& button) {
        auto* widget = w.ControlAs<QPushButton>(name);
        QVERIFY2(widget, name.data());
        const bool enable = !widget->isEnabled();
        button.SetEnabled(enable);
        QVERIFY2(widget->isEnabled() == enable && button.Enabled() == enable, name.data());
      }
      void Bind(std::string_view name, QtPictureBox& picture) {
        auto* widget = w.ControlAs<PictureView>(name);
        QVERIFY2(widget && !widget->HasPicture(), name.data());
        picture.LoadPicture(jpeg);
        QVERIFY(widget->HasPicture());
      }
    } check{*p.main_window.widget(), dir / "a.jpg"};
    p.BindTo(check);

    FormWidget* w = p.main_window.widget();
    for (const EventBinding& row : MainFormEvents()) {
      expected.emplace_back(row.control, row.event);
      QWidget* widget = w->Control(row.control);
      if (row.event == Event::Click) {
        widget->setEnabled(true);
        QTest::mouseClick(widget, Qt::LeftButton);
      } else if (row.event == Event::DblClick) {
        QTest::mouseDClick(widget, Qt::LeftButton);
      } else {
        widget->setFocus();
        w->Control("txtUser")->setFocus();
      }
    }
    QCOMPARE(fired, expected);
  }

  // The main window's title, size and focus; the viewer is an owned tool window that hides and
  // goes with the program.
  void mainWindowAndViewerShowAndCloseAsTheProgramNeeds() {
    Program p;
    ShowAndActivate(p.main_window);
    FormWidget* w = p.main_window.widget();
    QCOMPARE(w->windowHandle()->title(), QStringLiteral("Pixferry"));
    QVERIFY(!w->windowIcon().isNull());
    QCOMPARE(w->windowType(), Qt::Window);  // a primary window: closing it ends the program
    QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(w->minimumSize() == QSize(465, 329) && w->maximumSize() == QSize(465, 329));
    QCOMPARE(QApplication::focusWidget(), w->Control("cmdSource"));
    QCOMPARE(w->Control("cmdClose")->geometry(), QRect(16, 288, 433, 25));

    // The list boxes refuse typing.
    for (const char* name : {"txtSource", "txtTarget"}) QTest::keyClicks(w->Control(name), "typed");
    QVERIFY(p.txtSource.Text().empty() && p.txtTarget.Text().empty());

    ShowAndActivate(p.viewer_window, &p.main_window);
    FormWidget* v = p.viewer_window.widget();
    QCOMPARE(v->windowType(), Qt::Tool);  // no taskbar button of its own
    QCOMPARE(v->windowHandle()->transientParent(), w->windowHandle());
    QCOMPARE(v->windowHandle()->title(), QStringLiteral("Photo"));
    QCOMPARE(QApplication::focusWidget(), v->Control("cmdClose"));  // bottom right
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);   // Enter closes at once
    QVERIFY(!p.viewer_window.IsVisible());
    for (const char* name : {"cmdClose1", "cmdClose2", "cmdClose3", "cmdClose"}) {
      p.viewer_window.Show(&p.main_window);
      QCOMPARE(p.viewer_window.widget(), v);  // hidden, not unloaded
      QWidget* button = v->Control(name);
      QCOMPARE(v->childAt(button->geometry().center()), button);  // on top of the picture
      QTest::mouseClick(button, Qt::LeftButton);
      QVERIFY2(!p.viewer_window.IsVisible(), name);
    }
    p.viewer_window.Show(&p.main_window);
    QVERIFY(QTest::qWaitForWindowExposed(v));
    v->windowHandle()->close();  // the close box hides it as the buttons do
    QTRY_VERIFY(!p.viewer_window.IsVisible());

    // The main window's close box ends the program as Close does, the hidden viewer included;
    // during a job it waits for the job's end: the windows are not taken down under it.
    QPointer<FormWidget> main_form = w, viewer_form = v;
    bool alive_throughout = true;
    QTimer::singleShot(0, [&] {
      p.handlers.Run([&] {
        main_form->windowHandle()->close();
        KeepAliveFor(p.desktop, 300,
                     [&] { alive_throughout = alive_throughout && p.main_window.IsVisible(); });
      });
    });
    QTimer::singleShot(5000, main_form.data(), [] { QCoreApplication::exit(-1); });
    QCOMPARE(QApplication::exec(), 0);  // the event loop ended on its own
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive_throughout && main_form.isNull() && viewer_form.isNull());
  }

  // On an X display (the xcb platform, under Xvfb), a click the window system delivers during a
  // job waits in its queue: it does not reach the widget until the job has ended.
  void aClickFromTheWindowSystemWaitsForTheJobsEnd() {
    if (QGuiApplication::platformName() != u"xcb") QSKIP("needs an X display: QT_QPA_PLATFORM=xcb");
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty()) QSKIP("needs xdotool");
    Program p;
    ShowAndActivate(p.main_window);
    QWidget* box = p.main_window.widget()->Control("txtIncidentNumber");
    QVERIFY(QTest::qWaitForWindowExposed(box->window()) && !box->hasFocus());
    const QPoint at = box->mapToGlobal(box->rect().center());
    bool pressed_during_job = false;  // a click on the box gives it the focus
    p.handlers.Run([&] {
      QCOMPARE(QProcess::execute(xdotool, {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                           QString::number(at.x()), QString::number(at.y()),
                                           QStringLiteral("click"), QStringLiteral("1")}),
               0);
      KeepAliveFor(p.desktop, 600,
                   [&] { pressed_during_job = pressed_during_job || box->hasFocus(); });
    });
    QVERIFY(!pressed_during_job);
    QTRY_VERIFY_WITH_TIMEOUT(box->hasFocus(), 1000);  // not at some later event of the display
  }
};

QTEST_MAIN(WindowTest)
#include "qt_window_tests.moc"
