#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/FileDialog.h"
#include "widgets/Gauge.h"
#include "widgets/ImageBox.h"
#include "widgets/PictureDialog.h"
#include "widgets/SpinField.h"

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
    if (auto* t = qobject_cast<QPlainTextEdit*>(w))
        return t->toPlainText();
    if (auto* s = qobject_cast<SpinField*>(w))
        return QString::number(s->value());
    return {};
}

using ClickRow = std::tuple<QString, QPoint, QString, QString>; // shown, at, name, caption
using FontRow = std::tuple<QString, QString, int, bool, bool>; // name, family, pixels, bold, italic
using TimerRow = std::tuple<QString, int, bool>;               // name, interval, running

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
        FileDialog::clearAnswers();
    }

    // What a click at a point of the client area reaches, and the caption it shows there: on
    // the main panel once the splash has gone, on the about panel, and on the splash.
    void whatAClickReaches_data() {
        QTest::addColumn<ClickRow>("row"); // shown: "main", "about" or "splash"
        auto row = [](const char* shown, QPoint at, const char* name, QString text) {
            QTest::addRow("%s %s", shown, name) << ClickRow{shown, at, name, text};
        };
        const QString none;
        // Entry rows: caption, field.
        row("main", {13, 31}, "Label21", "Mineral");
        row("main", {80, 32}, "Edit7", none);
        row("main", {13, 55}, "Label20", "Locality");
        row("main", {80, 56}, "Edit6", none);
        row("main", {13, 79}, "Label19", "Info");
        row("main", {80, 80}, "Edit5", none);
        row("main", {13, 103}, "Label25", "Formula");
        row("main", {80, 104}, "Edit4", none);
        row("main", {477, 31}, "Label23", "No of labels");
        row("main", {565, 31}, "Label24", "0");
        row("main", {480, 58}, "CheckBox1", "Info = formula");
        // Appearance: X corrections, Y corrections and font buttons for the three rows.
        row("main", {213, 15}, "Label2", "X correction:");
        row("main", {293, 15}, "Label1", "Y correction:");
        row("main", {224, 32}, "SpinEdit4", "0");
        row("main", {224, 56}, "SpinEdit5", "0");
        row("main", {224, 80}, "SpinEdit6", "0");
        row("main", {304, 32}, "SpinEdit1", "0");
        row("main", {304, 56}, "SpinEdit2", "0");
        row("main", {304, 80}, "SpinEdit3", "0");
        row("main", {420, 35}, "Button5", "Pick font");
        row("main", {420, 59}, "Button4", "Pick font");
        row("main", {420, 83}, "Button3", "Pick font");
        row("main", {430, 171}, "RadioGroup1", "Label image");
        row("main", {440, 188}, "RadioButton1", "Complete");
        row("main", {440, 204}, "RadioButton2", "Reduced");
        row("main", {440, 220}, "RadioButton3", "Clean");
        row("main", {440, 236}, "RadioButton4", "Custom");
        row("main", {429, 263}, "Label3", "Preview");
        row("main", {440, 283}, "accimage", none);
        // List commands and the list.
        row("main", {69, 144}, "Button6", "Add data to list");
        row("main", {166, 144}, "Button7", "Open list");
        row("main", {246, 144}, "Button8", "Save list");
        row("main", {360, 144}, "Button9", "Render and preview");
        row("main", {30, 175}, "RichEdit4", none);
        row("about", {115, 60}, "Label6",
            "The purpose is composing labels for mineral collections.");
        row("about", {117, 84}, "Label4",
            "Minerals and formulas: the IMA list of mineral species,");
        row("about", {119, 100}, "Label5", "from the RRUFF project's IMA database (2022-02-28):");
        row("about", {127, 116}, "Label10", "https://rruff.info/ima/");
        row("about", {285, 268}, "Button10", "Hide!");
        row("splash", {135, 132}, "Label30", "Quillmar Mineral Label Studio");
        row("splash", {209, 202}, "Gauge1", none);
    }
    void whatAClickReaches() {
        QFETCH(ClickRow, row);
        const auto [shown, at, name, text] = row;
        if (shown != "splash")
            m_form->onSplashEnd();
        if (shown == "about")
            m_form->onAbout();
        m_form->show();
        auto* expected = test::child<QWidget>(*m_form, name);
        QWidget* hit = m_form->clientArea()->childAt(at);
        QVERIFY2(hit == expected || expected->isAncestorOf(hit),
                 qPrintable(hit ? hit->objectName() : QString("nothing")));
        QCOMPARE(textOf(expected), text);
    }

    // The controls that hold working data stay out of sight; the texts they start with are
    // what the handlers compare against.
    void hiddenControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const char* text) {
            QTest::newRow(name) << name << text;
        };
        row("rendered", "");
        row("Edit1", "Edit1");
        row("Edit2", "Edit2");
        row("Edit3", "Edit3");
        row("Label11", "cachedword");
        row("lastlocality", "lastlocality");
        row("Button2", "Complete mineral and get formula!");
        row("Button1", "Complete locality");
        row("Panel2", "");
    }
    void hiddenControls() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        m_form->show();
        auto* w = test::child<QWidget>(*m_form, name);
        QVERIFY(!w->isVisible());
        QCOMPARE(textOf(w), text);
    }

    void windowFrame() {
        QCOMPARE(m_form->objectName(), QString("Form1"));
        QCOMPARE(m_form->windowTitle(),
                 QString("Systematic mineral label creation for the collector"));
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
        test::dataRows<FontRow>({
            {"window", {"Form1", "MS Sans Serif", 11, false, false}},
            {"entry label", {"Label21", "Arial", 13, true, false}},
            {"heading", {"Label2", "Arial", 11, true, false}},
            {"check box", {"CheckBox1", "Arial", 13, true, false}},
            {"about label", {"Label6", "Arial", 13, true, false}},
            {"splash title", {"Label30", "Arial", 21, true, true}},
            {"splash credit", {"Label31", "Arial", 15, true, true}},
            {"splash contact", {"Label32", "Arial", 12, true, false}},
            {"field", {"Edit7", "MS Sans Serif", 11, false, false}},
        });
    }
    void fonts() {
        QFETCH(FontRow, row);
        const auto [name, family, pixels, bold, italic] = row;
        QWidget* w = name == "Form1" ? m_form.get() : test::child<QWidget>(*m_form, name);
        QCOMPARE(w->font().family(), family);
        QCOMPARE(w->font().pixelSize(), pixels);
        QCOMPARE(w->font().bold(), bold);
        QCOMPARE(w->font().italic(), italic);
    }

    void menuCommands() {
        const QList<QAction*> actions = m_form->menuBar()->actions();
        QStringList captions;
        QStringList keys;
        for (QAction* a : actions) {
            const QString caption = QString(a->text()).remove('&');
            captions << caption;
            // Only File (its recent files), the Sheet commands and the options open a menu; the
            // designed ones act at once.
            QCOMPARE(a->menu() != nullptr,
                     caption == "File" || caption == "Sheet" || caption == "Options");
            keys << a->shortcut().toString();
        }
        QCOMPARE(captions, QStringList({"File", "Load settings", "Save settings", "Sheet",
                                        "Options", "About", "Exit"}));
        QCOMPARE(keys, QStringList({"", "", "", "", "", "F1", "Ctrl+Q"}));
        QStringList sheet;
        for (QAction* a : test::child<QMenu>(*m_form, "Sheet1")->actions())
            sheet << QString(a->text()).remove('&');
        QCOMPARE(sheet, QStringList({"Start at slot...", "Render selected lines",
                                     "Fill formulas from the database"}));
        // The two settings commands ask for a file; cancelled, they change nothing.
        FileDialog::setNextFileName(std::nullopt);
        FileDialog::setNextFileName(std::nullopt);
        const int openings = FileDialog::openings();
        test::child<QAction>(*m_form, "Loadsetting1")->trigger();
        test::child<QAction>(*m_form, "Savesettings1")->trigger();
        QCOMPARE(FileDialog::openings(), openings + 2);
        QVERIFY(test::child<QFrame>(*m_form, "Panel2")->isHidden());
        QVERIFY(!test::child<QTimer>(*m_form, "Timer2")->isActive());
    }

    void timersAtStart_data() {
        test::dataRows<TimerRow>({
            {"Timer1", {"Timer1", 2500, true}},
            {"Timer2", {"Timer2", 1500, false}},
            {"Timer3", {"Timer3", 10, true}},
            {"Timer4", {"Timer4", 200, true}},
        });
    }
    void timersAtStart() {
        QFETCH(TimerRow, row);
        const auto [name, interval, running] = row;
        auto* t = test::child<QTimer>(*m_form, name);
        QCOMPARE(t->interval(), interval);
        QCOMPARE(t->isActive(), running);
    }

    void keyboardOrder() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QCOMPARE(QApplication::focusWidget(), test::child<QLineEdit>(*m_form, "Edit7"));
        // The designed stops, then those added for the keyboard; none beyond the client area.
        const QStringList expected{"Edit6",     "Edit5",     "Button3",   "RadioButton1",
                                   "Button4",   "Button5",   "Button6",   "Button7",
                                   "Button8",   "Button9",   "Edit4",     "CheckBox1",
                                   "SpinEdit4", "SpinEdit5", "SpinEdit6", "SpinEdit1",
                                   "SpinEdit2", "SpinEdit3", "RichEdit4", "Edit7"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);

        // With the about panel shown, Tab wraps through its button; the selected radio
        // button is the only one reached.
        m_form->onAbout();
        test::child<QRadioButton>(*m_form, "RadioButton3")->setChecked(true);
        test::child<QWidget>(*m_form, "RichEdit4")->setFocus(Qt::TabFocusReason);
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

    void gaugeClampsAndRepaintsOnPercentChange() {
        Gauge* g = test::child<Gauge>(*m_form, "Gauge1");
        QCOMPARE(g->progress(), 0);
        for (int i = 0; i < 1000; ++i)
            m_form->onGaugeStep();
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
        m_form->onSplashEnd();
        QVERIFY(test::child<QFrame>(*m_form, "Panel4")->isHidden());
        QVERIFY(test::child<Gauge>(*m_form, "Gauge1")->isHidden());
        QVERIFY(!test::child<QTimer>(*m_form, "Timer1")->isActive());
        QVERIFY(!test::child<QTimer>(*m_form, "Timer3")->isActive());
    }

    void aboutShowsAndHides() {
        m_form->onAbout();
        m_form->onAbout();
        QVERIFY(!test::child<QFrame>(*m_form, "Panel2")->isHidden());
        m_form->onHideAbout();
        QVERIFY(test::child<QFrame>(*m_form, "Panel2")->isHidden());
        m_form->onHideAbout();
        QVERIFY(test::child<QFrame>(*m_form, "Panel2")->isHidden());
    }

    // The splash hides the middle of the about panel while both show.
    void aboutDuringSplashLiesBehindIt() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->onAbout();
        const QColor face =
            test::child<QFrame>(*m_form, "Panel2")->palette().color(QPalette::Window);
        QImage shot = m_form->clientArea()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(200, 110)), QColor(Qt::white)); // splash over about
        QCOMPARE(QColor(shot.pixel(460, 150)), QColor(Qt::white));
        QCOMPARE(QColor(shot.pixel(470, 280)), face); // about panel's corner
        m_form->onSplashEnd();
        shot = m_form->clientArea()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(460, 150)), face); // uncovered once the splash hides
    }

    void exitDuringSplash() {
        m_form->show();
        m_form->onExit();
        QVERIFY(!test::child<QFrame>(*m_form, "Panel4")->isHidden());
        QVERIFY(test::child<QTimer>(*m_form, "Timer2")->isActive());
        m_form->onSplashEnd(); // the start-up splash still ends
        QVERIFY(test::child<QFrame>(*m_form, "Panel4")->isHidden());
        m_form->onExitWaitEnd();
        QVERIFY(!m_form->isVisible());
    }

    void exitAfterSplashShowsItWithoutTheGauge() {
        m_form->show();
        m_form->onSplashEnd();
        m_form->onExit();
        QVERIFY(!test::child<QFrame>(*m_form, "Panel4")->isHidden());
        QVERIFY(test::child<Gauge>(*m_form, "Gauge1")->isHidden());
    }

    // The timeline at a fifth of its pace: the splash goes by itself, and "Exit" closes the
    // window one exit wait after the first "Exit", a second one not restarting the wait.
    void timeline() {
        m_form->scaleTimeline(0.2);
        auto* splash = test::child<QFrame>(*m_form, "Panel4");
        auto* gauge = test::child<Gauge>(*m_form, "Gauge1");
        auto* exitWait = test::child<QTimer>(*m_form, "Timer2");
        QElapsedTimer clock;
        clock.start();
        m_form->show();
        QVERIFY(!splash->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(splash->isHidden(), 10000);
        QVERIFY(clock.elapsed() >= 2500 / 5 - 10);
        QVERIFY(gauge->progress() > 0);
        QVERIFY(gauge->progress() <= 230);
        QVERIFY(!test::child<QTimer>(*m_form, "Timer4")->isActive());

        clock.restart();
        m_form->onExit();
        QVERIFY(exitWait->isActive());
        QTRY_VERIFY(exitWait->remainingTime() <= 1500 / 5 - 100);
        m_form->onExit();
        QVERIFY(exitWait->remainingTime() <= 1500 / 5 - 100);
        QVERIFY(m_form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->isVisible(), 10000);
        QVERIFY(clock.elapsed() >= 1500 / 5 - 10);
    }

private:
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
