// The two windows on real Qt widgets: every control of the layout tables where the table puts
// it, the tab order, the wiring of the event table, and how each window closes.
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QWindow>
#include <QtTest>
#include <cstdlib>
#include <vector>

#include "app/layout.h"
#include "app/wiring.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/tempdir.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/FormWidget.h"
#include "ui/qt/Program.h"
#include "ui/qt/Widgets.h"
#include "ui/qt/Wiring.h"

using namespace pixferry;
using namespace pixferry::qt;
using pixferry::qt::testing::OnModal;
using pixferry::qt::testing::RunUntilProgramEnds;

namespace {

QRect Expected(const ControlSpec& c, int dpi) {
  return QRect(TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi), TwipsToPixels(c.width, dpi),
               TwipsToPixels(c.height, dpi));
}

bool IsWidget(const ControlSpec& c) {
  return c.kind != ControlKind::Line && c.kind != ControlKind::Background;
}

const char* Name(const ControlSpec& c) {
  return c.name.data();
}

QString FocusName() {
  QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName() : QStringLiteral("(none)");
}

// The names the Tab key visits from the first control, in order, until it comes back.
QStringList TabWalk(int max_steps = 40) {
  QStringList walk{FocusName()};
  for (int i = 0; i < max_steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (FocusName() == walk.first()) break;
    walk << FocusName();
  }
  return walk;
}

// The controls of a table that take the focus by Tab, in tab-index order.
QStringList TabStops(const FormSpec& desc, bool all_buttons_enabled) {
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& c : desc.controls) {
    if (c.tab_index < 0 || c.kind == ControlKind::Label) continue;
    if (!c.enabled && !all_buttons_enabled) continue;
    order.push_back(&c);
  }
  std::sort(order.begin(), order.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tab_index < b->tab_index; });
  QStringList names;
  for (const ControlSpec* c : order) names << QString::fromLatin1(c->name.data(), c->name.size());
  return names;
}

bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// An owned window counts as active while its owner is, so wait for the activation itself.
void ShowAndActivate(QtWindow& window, Window* owner = nullptr) {
  window.Show(owner);
  QTRY_COMPARE(QApplication::activeWindow(), window.widget());
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    pixferry::qt::testing::QuietOffscreenNotes();
    LoadFonts();
    InitResources();
    dpi_ = ScreenDpi();
  }

  void mainWindowIsFixedCentredAndTitled() {
    Program p;
    p.main_window.Load();
    FormWidget* w = p.main_window.widget();
    const QSize client(TwipsToPixels(6975, dpi_), TwipsToPixels(4935, dpi_));
    QCOMPARE(w->size(), client);
    if (dpi_ == 96) QCOMPARE(w->size(), QSize(465, 329));
    QCOMPARE(w->minimumSize(), client);
    QCOMPARE(w->maximumSize(), client);
    QCOMPARE(w->windowType(), Qt::Window);  // a primary window: closing it ends the program
    QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!w->windowIcon().isNull());

    ShowAndActivate(p.main_window);
    QCOMPARE(w->windowHandle()->title(), QStringLiteral("Pixferry"));
    const QPoint screen_centre = w->screen()->availableGeometry().center();
    QVERIFY(std::abs(w->frameGeometry().center().x() - screen_centre.x()) <= 1);
    QVERIFY(std::abs(w->frameGeometry().center().y() - screen_centre.y()) <= 1);
  }

  void everyControlAtItsRectangle() {
    Program p;
    p.main_window.Load();
    FormWidget* w = p.main_window.widget();
    int widgets = 0;
    for (const ControlSpec& c : MainFormLayout().controls) {
      if (!IsWidget(c)) continue;
      QWidget* control = w->Control(c.name);
      QVERIFY2(control, Name(c));
      QCOMPARE(control->objectName(), QString::fromLatin1(Name(c)));
      QCOMPARE(control->geometry(), Expected(c, dpi_));
      ++widgets;
    }
    QCOMPARE(w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), widgets);
    if (dpi_ == 96) {
      QCOMPARE(w->Control("cmdClose")->geometry(), QRect(16, 288, 433, 25));
      QCOMPARE(w->Control("txtMessage")->geometry(), QRect(16, 200, 313, 81));
      QCOMPARE(w->Control("imgSource")->geometry(), QRect(336, 200, 112, 80));
    }
  }

  void captionsFontsAndInitialState() {
    Program p;
    p.main_window.Load();
    FormWidget* w = p.main_window.widget();
    for (const ControlSpec& c : MainFormLayout().controls) {
      if (!IsWidget(c)) continue;
      QWidget* control = w->Control(c.name);
      const QString caption = QString::fromUtf8(c.caption.data(), c.caption.size());
      if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), caption);
      } else if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY2(!label->autoFillBackground(), Name(c));  // the background shows through
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
      } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(line->text(), caption);
        QCOMPARE(line->isReadOnly(), c.read_only);
      } else if (auto* box = qobject_cast<QTextEdit*>(control)) {
        QVERIFY(c.multi_line);
        QVERIFY(box->isReadOnly());
      } else {
        auto* picture = dynamic_cast<PictureView*>(control);
        QVERIFY2(picture, Name(c));
        QCOMPARE(picture->frameShape(), QFrame::Box);
        QCOMPARE(picture->lineWidth(), 1);
        QVERIFY(!picture->HasPicture());
      }
      if (c.kind == ControlKind::TextBox) {
        QCOMPARE(control->palette().color(QPalette::Base), QColor(0xC8, 0xC8, 0xC8));
      }
      QVERIFY2(control->isEnabled() == c.enabled, Name(c));

      const FontSpec& desc = c.font == FontId::Status ? kStatusFont : kBodyFont;
      const int pixels = FontPixelSize(desc, dpi_);
      const QFontInfo info(control->font());
      QVERIFY2(info.family() == FontFamily(desc, pixels), Name(c));
      QVERIFY(info.family() == QLatin1String("MS Sans Serif") ||
              info.family() == QLatin1String(kFallbackFamily));
      QCOMPARE(info.pixelSize(), pixels);
      QCOMPARE(control->font().weight(), QFont::Bold);
      QVERIFY(!info.italic() && !control->font().underline() && !control->font().strikeOut());
    }
    if (dpi_ == 96) {
      QCOMPARE(w->Control("cmdSource")->font().pixelSize(), 16);   // 12 pt
      QCOMPARE(w->Control("txtMessage")->font().pixelSize(), 13);  // 9.75 pt
    }
  }

  void textBoxesShowPlainTextAndOnlyTheInputBoxesTakeTyping() {
    Program p;
    ShowAndActivate(p.main_window);
    FormWidget* w = p.main_window.widget();
    const std::string data = "<b>IMG&1</b> 100%  two  spaces";
    for (TextBox* box :
         std::initializer_list<TextBox*>{&p.txtIncidentNumber, &p.txtUser, &p.txtDate, &p.txtSource,
                                         &p.txtTarget, &p.txtMessage}) {
      box->SetText(data);
      QCOMPARE(box->Text(), data);
      box->Refresh();
    }
    QCOMPARE(qobject_cast<QTextEdit*>(w->Control("txtMessage"))->toPlainText(),
             QString::fromStdString(data));

    for (const char* name : {"txtSource", "txtTarget", "txtMessage"}) {
      QWidget* box = w->Control(name);
      box->setFocus();
      QTest::keyClicks(box, "typed");
      QTest::keyClick(box, Qt::Key_Backspace);
    }
    QCOMPARE(p.txtSource.Text(), data);
    QCOMPARE(p.txtTarget.Text(), data);
    QCOMPARE(p.txtMessage.Text(), data);

    p.txtIncidentNumber.SetText("");
    w->Control("txtIncidentNumber")->setFocus();
    QTest::keyClicks(w->Control("txtIncidentNumber"), "0815-22");
    QCOMPARE(p.txtIncidentNumber.Text(), std::string("0815-22"));

    // A long name shows its beginning, as the classic box does.
    p.txtSource.SetText("IMG_0001 with a very long name that does not fit the box.JPG");
    QCOMPARE(qobject_cast<QLineEdit*>(w->Control("txtSource"))->cursorPosition(), 0);
  }

  void statusBoxWrapsCentresAndScrolls() {
    Program p;
    ShowAndActivate(p.main_window);
    auto* box = qobject_cast<QTextEdit*>(p.main_window.widget()->Control("txtMessage"));
    QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(box->lineWrapMode(), QTextEdit::WidgetWidth);
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    QVERIFY(box->tabChangesFocus());

    p.txtMessage.SetText("Hi");
    box->grab();  // lays the text out
    const QTextLine line = box->document()->firstBlock().layout()->lineAt(0);
    const qreal left = line.naturalTextRect().left();
    const qreal right = box->viewport()->width() - line.naturalTextRect().right();
    QVERIFY2(left > 20 && std::abs(left - right) < 12, "short text is centred");

    p.txtMessage.SetText(std::string(2000, 'x') + " end");
    box->grab();
    QVERIFY(box->verticalScrollBar()->maximum() > 0);  // wrapped onto many lines
  }

  void tabOrderFollowsTheTabIndexes() {
    Program p;
    ShowAndActivate(p.main_window);
    QCOMPARE(FocusName(), QStringLiteral("cmdSource"));
    QCOMPARE(TabWalk(), TabStops(MainFormLayout(), false));

    for (Button* b : {&p.cmdSourceFirst, &p.cmdSourcePrevious, &p.cmdSourceNext, &p.cmdSourceLast,
                      &p.cmdViewSource, &p.cmdTargetFirst, &p.cmdTargetPrevious, &p.cmdTargetNext,
                      &p.cmdTargetLast, &p.cmdViewTarget}) {
      QVERIFY(!b->Enabled());
      b->SetEnabled(true);
      QVERIFY(b->Enabled());
    }
    QCOMPARE(TabWalk(), TabStops(MainFormLayout(), true));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(FocusName(), QStringLiteral("txtMessage"));
  }

  void geometryAndFontsScaleWithTheDpi() {
    FormWidget w(MainFormLayout(), 144, MainWindowStyle());
    QCOMPARE(w.size(), QSize(698, 494));
    for (const ControlSpec& c : MainFormLayout().controls) {
      if (IsWidget(c)) QCOMPARE(w.Control(c.name)->geometry(), Expected(c, 144));
    }
    QCOMPARE(w.Control("cmdClose")->geometry(), QRect(24, 432, 650, 38));
    QCOMPARE(w.Control("cmdSource")->font().pixelSize(), 24);
    QCOMPARE(w.Control("txtMessage")->font().pixelSize(), 20);
    QCOMPARE(QFontInfo(w.Control("lblUser")->font()).pixelSize(), 24);
  }

  void backgroundIsStretchedBeneathTheControls() {
    const int dpi = 192;  // twice the picture's own size: tiling would show
    FormWidget w(MainFormLayout(), dpi, MainWindowStyle());
    const QImage shot = w.grab().toImage();
    const QImage picture(QStringLiteral(":/background.jpg"));
    QVERIFY(!picture.isNull());
    const QImage stretched =
        picture.scaled(w.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    // Points that no control covers, the inside of a label's rectangle away from its text
    // included, in twips.
    const QPoint spots[] = {{4507, 400}, {6855, 1500}, {3000, 4800},
                            {120, 3500}, {6000, 2410}, {1400, 600}};
    int differ_from_tiled = 0;
    for (QPoint spot : spots) {
      const QPoint px(TwipsToPixels(spot.x(), dpi), TwipsToPixels(spot.y(), dpi));
      QVERIFY2(Near(shot.pixel(px), stretched.pixel(px), 24),
               qPrintable(QStringLiteral("at %1,%2").arg(px.x()).arg(px.y())));
      const QPoint tiled(px.x() % picture.width(), px.y() % picture.height());
      if (!Near(stretched.pixel(px), picture.pixel(tiled), 24)) ++differ_from_tiled;
    }
    QVERIFY(differ_from_tiled > 0);  // the spots can tell stretched from tiled

    // Line1: three pixels of the window-text colour across the window.
    const QRgb ink = w.palette().color(QPalette::WindowText).rgb();
    const int y = TwipsToPixels(1800, dpi);
    for (int x : {TwipsToPixels(300, dpi), TwipsToPixels(3600, dpi), TwipsToPixels(6700, dpi)}) {
      for (int dy : {-1, 0, 1}) QVERIFY(Near(shot.pixel(x, y + dy), ink, 8));
      QVERIFY(Near(shot.pixel(x, y - 3), stretched.pixel(x, y - 3), 24));
      QVERIFY(Near(shot.pixel(x, y + 3), stretched.pixel(x, y + 3), 24));
    }
  }

  void eventTableIsWiredToTheWidgets() {
    FormWidget w(MainFormLayout(), dpi_, MainWindowStyle());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    std::vector<const EventBinding*> fired;
    const auto table = MainFormEvents();
    QCOMPARE(ConnectEvents(w, table, [&](const EventBinding& row) { fired.push_back(&row); }),
             static_cast<int>(table.size()));

    for (const EventBinding& row : table) {
      QWidget* control = w.Control(row.control);
      const std::size_t before = fired.size();
      switch (row.event) {
        case Event::Click:
          control->setEnabled(true);
          QTest::mouseClick(control, Qt::LeftButton);
          break;
        case Event::DblClick:
          QTest::mouseDClick(control, Qt::LeftButton);
          break;
        case Event::LostFocus: {
          QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
          QApplication::sendEvent(control, &out);
          QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
          QApplication::sendEvent(control, &deactivated);  // another window: not lost
          break;
        }
      }
      QVERIFY2(fired.size() == before + 1, row.control.data());
      QVERIFY(fired.back() == &row);
    }

    w.Retire();  // an unloaded window passes nothing on
    QTest::mouseClick(w.Control("cmdClose"), Qt::LeftButton);
    QCOMPARE(fired.size(), table.size());
  }

  void loadStepRunsBeforeTheWindowShows() {
    pixferry::testing::TempDir folder;  // no paths.dat: the load step reports 53
    pixferry::testing::ScopedCurrentDirectory cd(folder.path());
    Program p;
    bool shown_during_box = true;
    QString text;
    OnModal<QMessageBox> answer([&](QMessageBox& box) {
      shown_during_box = p.main_window.IsVisible();
      text = box.text();
      box.button(QMessageBox::Ok)->click();
      return true;
    });
    p.Start();
    QVERIFY(answer.answered());
    QVERIFY(!shown_during_box);
    QVERIFY2(text.startsWith(QLatin1String("53 ")) && text.endsWith(QLatin1String(" in Form_Load")),
             qPrintable(text));
    QVERIFY(p.main_window.IsVisible());
  }

  void closeBoxEndsTheProgramLikeClose_data() {
    QTest::addColumn<int>("viewer_state");  // 0 never made, 1 hidden, 2 shown
    QTest::addColumn<bool>("close_box");
    for (int state : {0, 1, 2}) {
      QTest::addRow("close box, viewer %d", state) << state << true;
      QTest::addRow("Close button, viewer %d", state) << state << false;
    }
  }

  void closeBoxEndsTheProgramLikeClose() {
    QFETCH(int, viewer_state);
    QFETCH(bool, close_box);
    Program p;
    ShowAndActivate(p.main_window);
    if (viewer_state >= 1) p.viewer_window.Load();
    if (viewer_state == 2) p.viewer_window.Show(&p.main_window);
    QPointer<FormWidget> main_form = p.main_window.widget();
    QPointer<FormWidget> viewer_form = p.viewer_window.widget();

    const int result = RunUntilProgramEnds([&] {
      if (close_box) {
        main_form->windowHandle()->close();
      } else {
        QTest::mouseClick(main_form->Control("cmdClose"), Qt::LeftButton);
      }
    });
    QCOMPARE(result, 0);  // the event loop ended on its own
    QVERIFY(main_form.isNull());
    QVERIFY(viewer_form.isNull());
    QVERIFY(!p.main_window.IsLoaded());
    QVERIFY(!p.viewer_window.IsLoaded());
  }

  void viewerWindowLayout() {
    Program p;
    ShowAndActivate(p.main_window);
    QVERIFY(!p.viewer_window.IsLoaded());
    ShowAndActivate(p.viewer_window, &p.main_window);
    FormWidget* v = p.viewer_window.widget();
    const QSize client(TwipsToPixels(9705, dpi_), TwipsToPixels(7320, dpi_));
    QCOMPARE(v->size(), client);
    if (dpi_ == 96) QCOMPARE(v->size(), QSize(647, 488));
    QCOMPARE(v->maximumSize(), client);
    QCOMPARE(v->windowType(), Qt::Tool);  // no taskbar button of its own
    QCOMPARE(v->parentWidget(), p.main_window.widget());
    QCOMPARE(v->windowHandle()->transientParent(), p.main_window.widget()->windowHandle());
    QCOMPARE(v->windowHandle()->title(), QStringLiteral("Photo"));
    QVERIFY(!(v->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    for (const ControlSpec& c : ViewerFormLayout().controls) {
      QWidget* control = v->Control(c.name);
      QVERIFY2(control, Name(c));
      QCOMPARE(control->geometry(), Expected(c, dpi_));
      if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), QStringLiteral("X"));
        QCOMPARE(QFontInfo(button->font()).pixelSize(), FontPixelSize(kBodyFont, dpi_));
        QCOMPARE(button->font().weight(), QFont::Bold);
        // The buttons lie on top of the picture.
        QCOMPARE(v->childAt(control->geometry().center()), control);
      }
    }
    auto* picture = dynamic_cast<PictureView*>(v->Control("imgSource"));
    QCOMPARE(picture->frameShape(), QFrame::Box);
    QVERIFY(picture->width() > v->width());  // its right border falls just outside

    // The bottom-right button has the focus; Tab goes round the corners in tab order.
    QCOMPARE(FocusName(), QStringLiteral("cmdClose"));
    QCOMPARE(TabWalk(), TabStops(ViewerFormLayout(), false));
  }

  void viewerButtonsAndCloseBoxHideIt() {
    Program p;
    ShowAndActivate(p.main_window);
    pixferry::testing::TempDir folder;
    const std::string photo = folder / "photo.jpg";
    pixferry::testing::WriteFile(photo, pixferry::testing::JpegBytes());
    p.viewer_window.Show(&p.main_window);
    p.viewer_picture.LoadPicture(photo);
    QPointer<FormWidget> v = p.viewer_window.widget();
    const QPoint place = v->pos();

    for (const char* name : {"cmdClose", "cmdClose1", "cmdClose2", "cmdClose3"}) {
      p.viewer_window.Show(&p.main_window);
      QVERIFY(p.viewer_window.IsVisible());
      QTest::mouseClick(v->Control(name), Qt::LeftButton);
      QVERIFY2(!p.viewer_window.IsVisible(), name);
      QVERIFY(p.viewer_window.IsLoaded());
      QCOMPARE(p.viewer_window.widget(), v.data());  // one window, reused
      QCOMPARE(v->pos(), place);
    }
    QVERIFY(p.viewer_picture.HasPicture());

    ShowAndActivate(p.viewer_window, &p.main_window);
    QCOMPARE(QApplication::focusWidget()->window(), v.data());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter closes it at once
    QVERIFY(!p.viewer_window.IsVisible());

    p.viewer_window.Show(&p.main_window);
    QVERIFY(QTest::qWaitForWindowExposed(v));
    v->windowHandle()->close();
    QTRY_VERIFY(!p.viewer_window.IsVisible());
    QVERIFY(!v.isNull());
    QVERIFY(p.viewer_window.IsLoaded());
    QVERIFY(p.main_window.IsVisible());
  }

 private:
  int dpi_ = 96;
};

QTEST_MAIN(WindowTest)
#include "qt_window_tests.moc"
