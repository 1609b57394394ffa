#include <QClipboard>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <limits>

#include "support/DataRows.h"
#include "widgets/SpinField.h"

using namespace qlx;

namespace {

using TypingRow = std::tuple<QString, QString, QString, int>; // locale, typed, text, beeps
using StepRow = std::tuple<QString, bool, QString>;           // start, up, after

} // namespace

class SpinFieldTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // --- reading the value -----------------------------------------------------------------

    void valueOfText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("minus seven") << "-7" << -7;
        QTest::newRow("plus seven") << "+7" << 7;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("minus alone") << "-" << 0;
        QTest::newRow("plus alone") << "+" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letter after") << "12a" << 0;
        QTest::newRow("two signs") << "--5" << 0;
        QTest::newRow("decimal point") << "1.5" << 0;
        QTest::newRow("space") << " 5" << 0;
        QTest::newRow("hexadecimal") << "0x10" << 0;
        QTest::newRow("largest") << "2147483647" << std::numeric_limits<int>::max();
        QTest::newRow("one beyond largest") << "2147483648" << 0;
        QTest::newRow("smallest") << "-2147483648" << std::numeric_limits<int>::min();
        QTest::newRow("one beyond smallest") << "-2147483649" << 0;
        QTest::newRow("far beyond 64 bits") << "123456789012345678901234567890" << 0;
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("\u0663") << 0;
    }
    void valueOfText() {
        QFETCH(QString, text);
        QFETCH(int, value);
        SpinField field;
        field.setText(text);
        QCOMPARE(field.value(), value);
        QCOMPARE(field.text(), text); // the text stays as it is
    }

    void noBounds_data() {
        QTest::addColumn<int>("value");
        QTest::newRow("smallest") << std::numeric_limits<int>::min();
        QTest::newRow("negative") << -123456;
        QTest::newRow("largest") << std::numeric_limits<int>::max();
    }
    void noBounds() {
        QFETCH(int, value);
        SpinField field;
        QCOMPARE(field.value(), 0);
        field.setValue(value);
        QCOMPARE(field.value(), value);
        QCOMPARE(field.text(), QString::number(value));
    }

    // --- the key filter --------------------------------------------------------------------

    void typing_data() {
        test::dataRows<TypingRow>({
            {"digits", {"en_US", "123", "123", 0}},
            {"signs", {"en_US", "-+5", "-+5", 0}},
            {"letters refused", {"en_US", "1a2b", "12", 2}},
            {"space refused", {"en_US", "1 2", "12", 1}},
            {"point in English", {"en_US", "1.5", "1.5", 0}},
            {"comma refused in English", {"en_US", "1,5", "15", 1}},
            {"comma in German", {"de_DE", "1,5", "1,5", 0}},
            {"point refused in German", {"de_DE", "1.5", "15", 1}},
            {"symbols refused", {"en_US", "*/=e", "", 4}},
        });
    }
    void typing() {
        QFETCH(TypingRow, row);
        const auto [locale, typed, text, beeps] = row;
        QLocale::setDefault(QLocale(locale));
        SpinField field;
        field.clear();
        QSignalSpy beeped(&field, &SpinField::beeped);
        QTest::keyClicks(&field, typed);
        QCOMPARE(field.text(), text);
        QCOMPARE(beeped.count(), beeps);
    }

    void enterIsRefusedWithABeep_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("return") << int(Qt::Key_Return);
        QTest::newRow("keypad enter") << int(Qt::Key_Enter);
    }
    void enterIsRefusedWithABeep() {
        QFETCH(int, key);
        SpinField field;
        field.setText("42");
        QSignalSpy beeped(&field, &SpinField::beeped);
        QSignalSpy returned(&field, &QLineEdit::returnPressed);
        QTest::keyClick(&field, Qt::Key(key));
        QCOMPARE(beeped.count(), 1);
        QCOMPARE(returned.count(), 0);
        QCOMPARE(field.text(), QString("42"));
    }

    void controlKeysPass() {
        SpinField field;
        field.setText("123");
        field.setCursorPosition(3);
        QSignalSpy beeped(&field, &SpinField::beeped);
        QTest::keyClick(&field, Qt::Key_Backspace);
        QCOMPARE(field.text(), QString("12"));
        QTest::keyClick(&field, Qt::Key_Home);
        QTest::keyClick(&field, Qt::Key_Delete);
        QCOMPARE(field.text(), QString("2"));
        QCOMPARE(beeped.count(), 0);
    }

    void pasteAndCutAreAllowed() {
        SpinField field;
        field.setText("77");
        QSignalSpy beeped(&field, &SpinField::beeped);
        QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(field.text(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("77"));

        QGuiApplication::clipboard()->setText("12ab");
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field.text(), QString("12ab")); // pasted unfiltered
        QCOMPARE(field.value(), 0);              // and read as not a number
        QCOMPARE(beeped.count(), 0);
    }

    // --- stepping --------------------------------------------------------------------------

    // A step starts from the value the text reads as (valueOfText's rows), so one text that
    // reads as no number stands for them all.
    void stepping_data() {
        const QString max = QString::number(std::numeric_limits<int>::max());
        const QString min = QString::number(std::numeric_limits<int>::min());
        test::dataRows<StepRow>({
            {"up from 0", {"0", true, "1"}},
            {"down from 0", {"0", false, "-1"}},
            {"up from -7", {"-7", true, "-6"}},
            {"up on a word", {"abc", true, "1"}},
            {"up on the plus form", {"+41", true, "42"}},
            {"up at the largest", {max, true, max}},
            {"down at the smallest", {min, false, min}},
            {"down from the largest", {max, false, "2147483646"}},
        });
    }
    void stepping() {
        QFETCH(StepRow, row);
        const auto [start, up, after] = row;
        // by key
        SpinField field;
        field.setText(start);
        QTest::keyClick(&field, up ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(field.text(), after);
        // by button
        field.resize(65, 22);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        field.setText(start);
        QToolButton* button = up ? field.upButton() : field.downButton();
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QCOMPARE(field.text(), after);
    }

    void buttonsRepeatWhileHeld() {
        SpinField field;
        for (QToolButton* b : {field.upButton(), field.downButton()}) {
            QVERIFY(b->autoRepeat());
            QCOMPARE(b->autoRepeatDelay(), 400);
            QCOMPARE(b->autoRepeatInterval(), 100);
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        }
    }
};

QTEST_MAIN(SpinFieldTest)
#include "tst_spinfield.moc"
