// The window without a mouse: the desktop's keys for every command, Enter on buttons, Esc,
// F6 round the panes, "Custom" chosen by keys, the names a screen reader is given, and the
// window's place on a screen too small for it. The tree a real reader sees is checked under
// X by a11y_xvfb.sh; these run on the offscreen platform.
#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"
#include "widgets/ImageBox.h"
#include "widgets/PictureDialog.h"
#include "widgets/RichEditBox.h"
#include "widgets/ScreenPlace.h"

using namespace qlx;

namespace {

// A key with its modifiers, and what it should have done.
struct KeyRow {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* outcome; // "open dialog", "save dialog", "about", "exit"
};

struct PlaceRow {
    QPoint wanted;
    QSize outer;
    QRect available;
    QPoint placed;
};

struct NameRow {
    const char* object;
    const char* name;
};

} // namespace

Q_DECLARE_METATYPE(KeyRow)
Q_DECLARE_METATYPE(PlaceRow)
Q_DECLARE_METATYPE(NameRow)

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        m_form = test::newWindow();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        QVERIFY2(m_boxes->shown().empty(), qPrintable(m_boxes->texts().join("; ")));
        m_boxes.reset();
        FileDialog::clearAnswers();
        OpenPictureDialog::clearAnswers();
        m_data.reset();
    }

    // The window's shortcuts, pressed wherever the focus is in the window.
    void shortcuts_data() {
        test::dataRows<KeyRow>({
            {"Ctrl+O opens a list", {Qt::Key_O, Qt::ControlModifier, "open dialog"}},
            {"Ctrl+S saves the list", {Qt::Key_S, Qt::ControlModifier, "save dialog"}},
            {"F1 shows About", {Qt::Key_F1, Qt::NoModifier, "about"}},
            {"Ctrl+Q exits", {Qt::Key_Q, Qt::ControlModifier, "exit"}},
        });
    }
    void shortcuts() {
        QFETCH(KeyRow, row);
        const QString outcome = QString::fromLatin1(row.outcome);
        FileDialog::setNextFileName(std::nullopt);
        const int openings = FileDialog::openings();
        for (const char* focus : {"Edit5", "Button8"}) {
            child<QWidget>(focus)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), row.key, row.modifiers);
            if (outcome == "exit")
                break;
            FileDialog::setNextFileName(std::nullopt);
            child<QFrame>("Panel2")->hide();
        }
        const bool dialog = outcome.endsWith("dialog");
        QCOMPARE(FileDialog::openings(), openings + (dialog ? 2 : 0));
        QCOMPARE(child<QTimer>("Timer2")->isActive(), outcome == "exit");
        if (outcome == "about") {
            QTest::keyClick(m_form.get(), Qt::Key_F1);
            QVERIFY(child<QFrame>("Panel2")->isVisible());
        }
    }

    // Enter clicks the focused button; Esc hides the about panel and then cancels nothing.
    void enterAndEscape() {
        child<QLineEdit>("Edit7")->setText("Quartz");
        child<QLineEdit>("Edit6")->setText("Arkansas");
        child<QPushButton>("Button6")->setFocus();
        QTest::keyClick(child<QPushButton>("Button6"), Qt::Key_Return);
        QCOMPARE(list().lines().count(), 1);
        QTest::keyClick(child<QPushButton>("Button6"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(list().lines().count(), 2);

        m_form->onAbout();
        child<QPushButton>("Button10")->setFocus();
        QTest::keyClick(child<QPushButton>("Button10"), Qt::Key_Return);
        QVERIFY(child<QFrame>("Panel2")->isHidden());
        m_form->onAbout();
        QTest::keyClick(child<QLineEdit>("Edit5"), Qt::Key_Escape);
        QVERIFY(child<QFrame>("Panel2")->isHidden());
        // Enter in the mineral field still completes the name, and clicks nothing.
        child<QLineEdit>("Edit7")->setText("magn");
        child<QLineEdit>("Edit7")->setFocus();
        QTest::keyClick(child<QLineEdit>("Edit7"), Qt::Key_Return);
        QCOMPARE(child<QLineEdit>("Edit7")->text(), QString("Magnetit"));
        QCOMPARE(list().lines().count(), 2);
    }

    // Tab goes through the designed stops, then the controls it did not reach, and never to
    // a control beyond the client area; F6 and Shift+F6 go round the panes.
    void tabAndPanes() {
        child<QLineEdit>("Edit7")->setFocus(Qt::TabFocusReason);
        const QStringList expected{"Edit6",     "Edit5",     "Button3",   "RadioButton1",
                                   "Button4",   "Button5",   "Button6",   "Button7",
                                   "Button8",   "Button9",   "Edit4",     "CheckBox1",
                                   "SpinEdit4", "SpinEdit5", "SpinEdit6", "SpinEdit1",
                                   "SpinEdit2", "SpinEdit3", "RichEdit4", "Edit7"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* at = QApplication::focusWidget();
            visited << at->objectName();
            QVERIFY2(at->isVisible() && m_form->clientArea()->rect().contains(at->mapTo(
                                            m_form->clientArea(), at->rect().bottomRight())),
                     qPrintable(at->objectName()));
        }
        QCOMPARE(visited, expected);

        QStringList panes;
        child<QPushButton>("Button7")->setFocus();
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
            panes << QApplication::focusWidget()->objectName();
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        panes << QApplication::focusWidget()->objectName();
        QCOMPARE(panes, QStringList({"Edit7", "SpinEdit4", "RichEdit4", "Edit7", "RichEdit4"}));
    }

    // The arrows move onto "Custom" without a dialog; Enter or Space on it chooses the
    // picture, and Esc in the dialog leaves the background chosen before, and its picture.
    void customByKeys_data() {
        test::dataRows<Qt::Key>({{"Enter", Qt::Key_Return}, {"Space", Qt::Key_Space}});
    }
    void customByKeys() {
        QFETCH(Qt::Key, row);
        radio("RadioButton3")->setChecked(true);
        radio("RadioButton3")->setFocus(Qt::TabFocusReason);
        const QImage clean = image("Image2");
        QCOMPARE(image("accimage"), clean);
        const int openings = OpenPictureDialog::openings();
        QTest::keyClick(radio("RadioButton3"), Qt::Key_Down);
        QVERIFY(radio("RadioButton4")->isChecked());
        QCOMPARE(QApplication::focusWidget(), radio("RadioButton4"));
        QCOMPARE(OpenPictureDialog::openings(), openings);
        QCOMPARE(image("accimage"), clean);

        OpenPictureDialog::setNextFileName(std::nullopt);
        QTest::keyClick(radio("RadioButton4"), row);
        QCOMPARE(OpenPictureDialog::openings(), openings + 1);
        QVERIFY(radio("RadioButton3")->isChecked());
        QCOMPARE(image("accimage"), clean);

        // Chosen: the picture shows; another Enter may choose again, and Esc then keeps it.
        QTest::keyClick(radio("RadioButton3"), Qt::Key_Down);
        OpenPictureDialog::setNextFileName(QLX_TEST_DATA "/pictures/rgb4x3.bmp");
        QTest::keyClick(radio("RadioButton4"), row);
        QCOMPARE(image("accimage").size(), QSize(4, 3));
        OpenPictureDialog::setNextFileName(std::nullopt);
        QTest::keyClick(radio("RadioButton4"), row);
        QCOMPARE(OpenPictureDialog::openings(), openings + 3);
        QVERIFY(radio("RadioButton4")->isChecked());
        QCOMPARE(image("accimage").size(), QSize(4, 3));
        // Up goes back to a stock background.
        QTest::keyClick(radio("RadioButton4"), Qt::Key_Up);
        QVERIFY(radio("RadioButton3")->isChecked());
        QCOMPARE(image("accimage"), clean);
    }

    // A click on "Custom" still opens the dialog at once; Cancel goes back.
    void customByMouseCancelled() {
        OpenPictureDialog::setNextFileName(std::nullopt);
        const int openings = OpenPictureDialog::openings();
        QTest::mouseClick(radio("RadioButton4"), Qt::LeftButton);
        QCOMPARE(OpenPictureDialog::openings(), openings + 1);
        QVERIFY(radio("RadioButton1")->isChecked());
        QCOMPARE(image("accimage"), image("Image3"));
    }

    // The names a screen reader speaks, as the accessibility interface gives them.
    void accessibleNames_data() {
        test::dataRows<NameRow>({
            {"mineral", {"Edit7", "Mineral"}},
            {"locality", {"Edit6", "Locality"}},
            {"info", {"Edit5", "Info"}},
            {"formula", {"Edit4", "Formula"}},
            {"mineral x", {"SpinEdit4", "Mineral X correction"}},
            {"locality y", {"SpinEdit2", "Locality Y correction"}},
            {"info y", {"SpinEdit3", "Info Y correction"}},
            {"mineral font", {"Button5", "Pick font for the mineral row"}},
            {"locality font", {"Button4", "Pick font for the locality row"}},
            {"info font", {"Button3", "Pick font for the info row"}},
            {"list", {"RichEdit4", "Label list, 0 records"}},
            {"custom", {"RadioButton4", "Custom"}},
            {"add", {"Button6", "Add data to list"}},
            {"count", {"Label24", "No of labels: 0"}},
        });
    }
    void accessibleNames() {
        QFETCH(NameRow, row);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(child<QWidget>(row.object));
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(row.name));
    }

    // The list's name counts its records as they come and go.
    void listNameCounts() {
        auto name = [this] {
            return QAccessible::queryAccessibleInterface(&list())->text(QAccessible::Name);
        };
        list().lines().setText("|A|B|C|\r\n");
        QCOMPARE(name(), QString("Label list, 1 record"));
        list().lines().setText("|A|B|C|\r\n|D|E|F|\r\n");
        QCOMPARE(name(), QString("Label list, 2 records"));
        list().lines().setText("");
        QCOMPARE(name(), QString("Label list, 0 records"));
    }

    // Menus: every caption has a mnemonic, and the bar's letters differ.
    void menuMnemonics() {
        QSet<QChar> letters;
        for (QAction* a : m_form->menuBar()->actions()) {
            const QString caption = a->text();
            const int at = caption.indexOf('&');
            QVERIFY2(at >= 0 && at + 1 < caption.size(), qPrintable(caption));
            const QChar letter = caption.at(at + 1).toLower();
            QVERIFY2(!letters.contains(letter), qPrintable(caption));
            letters.insert(letter);
            if (a->menu())
                for (QAction* item : a->menu()->actions())
                    QVERIFY2(item->text().contains('&'), qPrintable(item->text()));
        }
    }

    // F10 puts the keyboard into the menu bar on its first entry (the File menu), Right moves
    // on to "Load settings", and Enter runs it; an Alt+letter runs the command whose mnemonic
    // it is.
    void menuBarByKeys() {
        FileDialog::setNextFileName(std::nullopt);
        const int openings = FileDialog::openings();
        QTest::keyClick(child<QLineEdit>("Edit7"), Qt::Key_F10);
        QCOMPARE(m_form->menuBar()->activeAction(), child<QAction>("File1Item"));
        QTest::keyClick(m_form->menuBar(), Qt::Key_Right);
        QCOMPARE(m_form->menuBar()->activeAction(), child<QAction>("Loadsetting1"));
        QTest::keyClick(m_form->menuBar(), Qt::Key_Return);
        QCOMPARE(FileDialog::openings(), openings + 1);
        QTest::keyClick(child<QLineEdit>("Edit7"), Qt::Key_A, Qt::AltModifier);
        QVERIFY(child<QFrame>("Panel2")->isVisible());
    }

    void placement_data() {
        const QRect hd(0, 0, 1920, 1080);
        // 1280x1024 at a scale of 2, less a 24-pixel panel at the top.
        const QRect small(0, 24, 640, 488);
        test::dataRows<PlaceRow>({
            {"fits: as designed", {{198, 135}, {600, 470}, hd, {198, 135}}},
            {"past the right and bottom: moved in",
             {{198, 135}, {600, 470}, {0, 0, 700, 500}, {100, 30}}},
            {"larger than the screen: top left inside", {{198, 135}, {1180, 900}, small, {0, 24}}},
            {"second screen to the left",
             {{198, 135}, {600, 470}, {-1280, 0, 1280, 1024}, {-600, 135}}},
            {"no screen area: as wanted", {{198, 135}, {600, 470}, QRect(), {198, 135}}},
        });
    }
    void placement() {
        QFETCH(PlaceRow, row);
        QCOMPARE(placeInside(row.wanted, row.outer, row.available), row.placed);
    }

private:
    template <typename W> W* child(const char* name) { return test::child<W>(*m_form, name); }
    QRadioButton* radio(const char* name) { return child<QRadioButton>(name); }
    QImage image(const char* name) { return child<ImageBox>(name)->image(); }
    RichEditBox& list() { return *child<RichEditBox>("RichEdit4"); }

    std::unique_ptr<test::DataFolderFixture> m_data;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
