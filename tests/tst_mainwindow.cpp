#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "platform/ErrorHandler.h"
#include "platform/Gauge.h"
#include "platform/ImageBox.h"
#include "platform/PictureDialog.h"
#include "platform/SpinField.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

QString textOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* t = qobject_cast<QTextEdit*>(w))
        return t->toPlainText();
    if (auto* s = qobject_cast<SpinField*>(w))
        return QString::number(s->value());
    return {};
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        // No dialog may wait for a person here: every one is cancelled.
        OpenPictureDialog::setAnswerFunction(
            [](const QString&) { return std::optional<QString>(); });
        m_form = std::make_unique<MainForm>();
    }
    void cleanup() {
        m_form.reset();
        QVERIFY2(m_boxes->shown().empty(), qPrintable(m_boxes->texts().join("; ")));
        m_boxes.reset();
        OpenPictureDialog::clearAnswers();
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry"); // width -1: sized to its text
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("tabStop");
        auto row = [](const char* name, const char* parent, QRect g, QString text, bool shown,
                      bool tabStop) {
            QTest::newRow(name) << name << parent << g << text << shown << tabStop;
        };
        const QString none;
        // Children of the window.
        row("rendered", "ClientArea", {616, 528, 153, 113}, none, false, false);
        row("Image1", "ClientArea", {704, 24, 193, 81}, none, true, false);
        row("Image2", "ClientArea", {704, 112, 193, 81}, none, true, false);
        row("Image3", "ClientArea", {704, 200, 193, 81}, none, true, false);
        row("Panel3", "ClientArea", {3, 3, 582, 422}, none, true, false);
        row("Edit1", "ClientArea", {664, 520, 121, 21}, "Edit1", false, false);
        row("Edit2", "ClientArea", {616, 544, 121, 21}, "Edit2", false, false);
        row("Edit3", "ClientArea", {632, 560, 121, 21}, "Edit3", false, false);
        row("Panel2", "ClientArea", {112, 48, 361, 241}, none, false, false);
        row("Panel4", "ClientArea", {93, 96, 409, 121}, none, true, false);
        row("RichEdit1", "ClientArea", {592, 8, 185, 89}, none, true, true);
        row("Button11", "ClientArea", {592, 104, 89, 25}, "Load settings...", true, true);
        row("Button12", "ClientArea", {592, 136, 89, 25}, "Save settings...", true, true);
        // Entry rows.
        row("Label21", "Panel3", {8, 24, -1, -1}, "Mineral", true, false);
        row("Edit7", "Panel3", {72, 24, 121, 21}, none, true, true);
        row("Label20", "Panel3", {8, 48, -1, -1}, "Locality", true, false);
        row("Edit6", "Panel3", {72, 48, 121, 21}, none, true, true);
        row("Label19", "Panel3", {8, 72, -1, -1}, "Info", true, false);
        row("Edit5", "Panel3", {72, 72, 121, 21}, none, true, true);
        row("Label25", "Panel3", {8, 96, -1, -1}, "Formula", true, false);
        row("Edit4", "Panel3", {72, 96, 121, 21}, none, true, false);
        row("Label23", "Panel3", {472, 24, -1, -1}, "No of labels", true, false);
        row("Label24", "Panel3", {560, 24, -1, -1}, "0", true, false);
        row("CheckBox1", "Panel3", {472, 50, 105, 17}, "Info = formula", true, false);
        // Appearance controls.
        row("Label2", "Panel3", {208, 8, -1, -1}, "X correction:", true, false);
        row("Label1", "Panel3", {288, 8, -1, -1}, "Y correction:", true, false);
        row("SpinEdit4", "Panel3", {216, 24, 65, 22}, "0", true, false);
        row("SpinEdit5", "Panel3", {216, 48, 65, 22}, "0", true, false);
        row("SpinEdit6", "Panel3", {216, 72, 65, 22}, "0", true, false);
        row("SpinEdit1", "Panel3", {296, 24, 65, 22}, "0", true, false);
        row("SpinEdit2", "Panel3", {296, 48, 65, 22}, "0", true, false);
        row("SpinEdit3", "Panel3", {296, 72, 65, 22}, "0", true, false);
        row("Button5", "Panel3", {376, 24, 89, 17}, "Pick font", true, true);
        row("Button4", "Panel3", {376, 48, 89, 17}, "Pick font", true, true);
        row("Button3", "Panel3", {376, 72, 89, 17}, "Pick font", true, true);
        row("RadioGroup1", "Panel3", {424, 164, 81, 85}, "Label image", true, false);
        row("RadioButton1", "Panel3", {432, 180, 72, 17}, "Complete", true, true);
        row("RadioButton2", "Panel3", {432, 196, 72, 17}, "Reduced", true, false);
        row("RadioButton3", "Panel3", {432, 212, 72, 17}, "Clean", true, false);
        row("RadioButton4", "Panel3", {432, 228, 72, 17}, "Custom", true, false);
        row("Label3", "Panel3", {424, 256, -1, -1}, "Preview", true, false);
        row("accimage", "Panel3", {432, 275, 137, 65}, none, true, false);
        // List commands and the label list.
        row("Button6", "Panel3", {16, 128, 105, 25}, "Add data to list", true, true);
        row("Button7", "Panel3", {128, 128, 75, 25}, "Open list", true, true);
        row("Button8", "Panel3", {208, 128, 75, 25}, "Save list", true, true);
        row("Button9", "Panel3", {296, 128, 123, 25}, "Render and preview", true, true);
        row("RichEdit4", "Panel3", {16, 160, 393, 249}, none, true, false);
        // Hidden working controls.
        row("Label11", "Panel3", {680, 296, -1, -1}, "cachedword", false, false);
        row("lastlocality", "Panel3", {688, 336, -1, -1}, "lastlocality", false, false);
        row("Button2", "Panel3", {448, 432, 185, 25}, "Complete mineral and get formula!", false,
            false);
        row("Button1", "Panel3", {704, 344, 97, 25}, "Complete locality", false, false);
        // About panel.
        row("Label6", "Panel2", {1, 8, -1, -1},
            "The purpose is composing labels for mineral collections.", true, false);
        row("Label4", "Panel2", {3, 32, -1, -1},
            "The mineral formulas is from the Athena mineralogy db.", true, false);
        row("Label5", "Panel2", {5, 48, -1, -1},
            "So to update the mineral formula database goto:", true, false);
        row("Label10", "Panel2", {13, 64, -1, -1}, "http://athena.unige.ch/athena/", true, false);
        row("Button10", "Panel2", {136, 208, 75, 25}, "Hide!", true, true);
        // Splash panel.
        row("Shape14", "Panel4", {8, 8, 393, 105}, none, true, false);
        row("Label30", "Panel4", {40, 32, -1, -1}, "Quillmar Mineral Label Studio", true, false);
        row("Gauge1", "Panel4", {16, 104, 377, 5}, none, true, false);
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, shown);
        QFETCH(bool, tabStop);
        auto* w = m_form->findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->pos(), geometry.topLeft());
        if (geometry.width() >= 0) {
            QCOMPARE(w->size(), geometry.size());
        } else {
            // Labels size themselves to their text.
            const int advance = w->fontMetrics().horizontalAdvance(text);
            QVERIFY2(w->width() >= advance && w->width() <= advance + 2, qPrintable(name));
        }
        QCOMPARE(textOf(w), text);
        QCOMPARE(!w->isHidden(), shown);
        QCOMPARE(bool(w->focusPolicy() & Qt::TabFocus), tabStop);
    }

    void windowFrame() {
        QCOMPARE(m_form->objectName(), QString("Form1"));
        QCOMPARE(m_form->windowTitle(),
                 QString("Systematic mineral label creation for the collector"));
        QCOMPARE(m_form->clientArea()->size(), QSize(586, 425));
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(m_form->windowFlags() & Qt::WindowMinimizeButtonHint);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(m_form->pos(), QPoint(198, 135));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        QCOMPARE(m_form->clientArea()->geometry().top(), m_form->menuBar()->height());
        QCOMPARE(m_form->clientArea()->size(), QSize(586, 425));
    }

    void fonts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::newRow("window") << "Form1"
                                << "MS Sans Serif" << 11 << false << false;
        QTest::newRow("entry label") << "Label21"
                                     << "Arial" << 13 << true << false;
        QTest::newRow("heading") << "Label2"
                                 << "Arial" << 11 << true << false;
        QTest::newRow("check box") << "CheckBox1"
                                   << "Arial" << 13 << true << false;
        QTest::newRow("about label") << "Label6"
                                     << "Arial" << 13 << true << false;
        QTest::newRow("splash title") << "Label30"
                                      << "Arial" << 21 << true << true;
        QTest::newRow("splash credit") << "Label31"
                                       << "Arial" << 15 << true << true;
        QTest::newRow("splash contact") << "Label32"
                                        << "Arial" << 12 << true << false;
        QTest::newRow("field") << "Edit7"
                               << "MS Sans Serif" << 11 << false << false;
    }
    void fonts() {
        QFETCH(QString, name);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QWidget* w = name == "Form1" ? m_form.get() : m_form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->font().family(), family);
        QCOMPARE(w->font().pixelSize(), pixels);
        QCOMPARE(w->font().bold(), bold);
        QCOMPARE(w->font().italic(), italic);
    }

    void panelsStackFrontToBack() {
        const QObjectList& order = m_form->clientArea()->children();
        const auto at = [&](const QObject* o) {
            return order.indexOf(o);
        };
        QVERIFY(at(m_form->Panel4) > at(m_form->Panel2));
        QVERIFY(at(m_form->Panel2) > at(m_form->Panel3));
        QVERIFY(at(m_form->Panel3) > at(m_form->Image3));
    }

    void menuCommands() {
        const QList<QAction*> actions = m_form->menuBar()->actions();
        QStringList captions;
        for (QAction* a : actions) {
            captions << a->text();
            QVERIFY(!a->menu());
            QVERIFY(a->shortcut().isEmpty());
        }
        QCOMPARE(captions, QStringList({"Load settings", "Save settings", "About", "Exit"}));
        // The two settings commands have no action.
        m_form->Loadsetting1->trigger();
        m_form->Savesettings1->trigger();
        QVERIFY(m_form->Panel2->isHidden());
        QVERIFY(!m_form->Timer2->isActive());
    }

    void timersAtStart_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("running");
        QTest::newRow("Timer1") << "Timer1" << 2500 << true;
        QTest::newRow("Timer2") << "Timer2" << 1500 << false;
        QTest::newRow("Timer3") << "Timer3" << 10 << true;
        QTest::newRow("Timer4") << "Timer4" << 200 << true;
    }
    void timersAtStart() {
        QFETCH(QString, name);
        QFETCH(int, interval);
        QFETCH(bool, running);
        auto* t = m_form->findChild<QTimer*>(name);
        QVERIFY(t);
        QCOMPARE(t->interval(), interval);
        QCOMPARE(t->isActive(), running);
    }

    void keyboardOrder() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QCOMPARE(QApplication::focusWidget(), m_form->Edit7);
        const QStringList expected{"Edit6",     "Edit5",    "Button3",  "RadioButton1", "Button4",
                                   "Button5",   "Button6",  "Button7",  "Button8",      "Button9",
                                   "RichEdit1", "Button11", "Button12", "Edit7"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);

        // With the about panel shown, Tab wraps through its button; the selected radio
        // button is the only one reached.
        m_form->About1Click();
        m_form->RadioButton3->setChecked(true);
        m_form->Button12->setFocus(Qt::TabFocusReason);
        QStringList wrap;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            wrap << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(wrap,
                 QStringList({"Button10", "Edit7", "Edit6", "Edit5", "Button3", "RadioButton3"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Button3"));
    }

    void radioButtonsExcludeEachOther() {
        m_form->RadioButton4->setChecked(true);
        QVERIFY(!m_form->RadioButton1->isChecked());
        m_form->RadioButton2->setChecked(true);
        QVERIFY(!m_form->RadioButton4->isChecked());
        int checked = 0;
        for (auto* r : {m_form->RadioButton1, m_form->RadioButton2, m_form->RadioButton3,
                        m_form->RadioButton4})
            checked += r->isChecked();
        QCOMPARE(checked, 1);
    }

    void gaugeClampsAndRepaintsOnPercentChange() {
        Gauge* g = m_form->Gauge1;
        QCOMPARE(g->progress(), 0);
        for (int i = 0; i < 1000; ++i)
            m_form->Timer3Timer();
        QCOMPARE(g->progress(), 230);
        QCOMPARE(g->percentDone(), 100);
        // One repaint per whole percent, never more.
        QCOMPARE(g->repaintRequests(), 100);
    }

    void gaugeBarIsTheTruncatedPercentOfTheInnerWidth() {
        Gauge g;
        g.setRange(0, 230);
        g.resize(377, 5);
        g.setProgress(115); // 50%
        const QImage shot = g.grab().toImage();
        // Inner width 375 from x = 1: 50% fills 187 pixels, x 1..187.
        QCOMPARE(QColor(shot.pixel(187, 2)), QColor(Qt::black));
        QCOMPARE(QColor(shot.pixel(188, 2)), QColor(Qt::white));
        QCOMPARE(QColor(shot.pixel(0, 2)), QColor(Qt::black)); // border
    }

    void splashEndsOnTimer1() {
        m_form->Timer1Timer();
        QVERIFY(m_form->Panel4->isHidden());
        QVERIFY(m_form->Gauge1->isHidden());
        QVERIFY(!m_form->Timer1->isActive());
        QVERIFY(!m_form->Timer3->isActive());
    }

    void aboutShowsAndHides() {
        m_form->About1Click();
        m_form->About1Click();
        QVERIFY(!m_form->Panel2->isHidden());
        m_form->Button10Click();
        QVERIFY(m_form->Panel2->isHidden());
        m_form->Button10Click();
        QVERIFY(m_form->Panel2->isHidden());
    }

    // The splash hides the middle of the about panel while both show.
    void aboutDuringSplashLiesBehindIt() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->About1Click();
        const QColor face = m_form->Panel2->palette().color(QPalette::Window);
        QImage shot = m_form->clientArea()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(200, 110)), QColor(Qt::white)); // splash over about
        QCOMPARE(QColor(shot.pixel(460, 150)), QColor(Qt::white));
        QCOMPARE(QColor(shot.pixel(470, 280)), face); // about panel's corner
        m_form->Timer1Timer();
        shot = m_form->clientArea()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(460, 150)), face); // uncovered once the splash hides
    }

    void exitDuringSplash() {
        m_form->show();
        m_form->Exit1Click();
        QVERIFY(!m_form->Panel4->isHidden());
        QVERIFY(m_form->Timer2->isActive());
        m_form->Timer1Timer(); // the start-up splash still ends
        QVERIFY(m_form->Panel4->isHidden());
        m_form->Timer2Timer();
        QVERIFY(!m_form->isVisible());
    }

    void exitAfterSplashShowsItWithoutTheGauge() {
        m_form->show();
        m_form->Timer1Timer();
        m_form->Exit1Click();
        QVERIFY(!m_form->Panel4->isHidden());
        QVERIFY(m_form->Gauge1->isHidden());
    }

    // Real timers: the splash goes by itself, and "Exit" closes the window 1.5 s after the
    // first "Exit", a second one not restarting the wait.
    void realTimeline() {
        QElapsedTimer clock;
        clock.start();
        m_form->show();
        QVERIFY(!m_form->Panel4->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Panel4->isHidden(), 10000);
        QVERIFY(clock.elapsed() >= 2400);
        QVERIFY(m_form->Gauge1->progress() > 0);
        QVERIFY(m_form->Gauge1->progress() <= 230);
        QVERIFY(!m_form->Timer4->isActive());

        clock.restart();
        m_form->Exit1Click();
        QTest::qWait(300);
        m_form->Exit1Click();
        QVERIFY(m_form->Timer2->remainingTime() <= 1200);
        QVERIFY(m_form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->isVisible(), 10000);
        QVERIFY(clock.elapsed() >= 1450);
    }

    void closeBoxClosesAtOnce() {
        m_form->show();
        QVERIFY(m_form->close());
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_form->Timer2->isActive());
    }

private:
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
