#include <QClipboard>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <limits>

#include "platform/SpinField.h"

using namespace qlx;

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
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("beeps");
        const auto row = [](const char* name, const char* locale, const char* typed,
                            const char* text, int beeps) {
            QTest::newRow(name) << locale << typed << text << beeps;
        };
        row("digits", "en_US", "123", "123", 0);
        row("signs", "en_US", "-+5", "-+5", 0);
        row("letters refused", "en_US", "1a2b", "12", 2);
        row("space refused", "en_US", "1 2", "12", 1);
        row("point in English", "en_US", "1.5", "1.5", 0);
        row("comma refused in English", "en_US", "1,5", "15", 1);
        row("comma in German", "de_DE", "1,5", "1,5", 0);
        row("point refused in German", "de_DE", "1.5", "15", 1);
        row("symbols refused", "en_US", "*/=e", "", 4);
    }
    void typing() {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, beeps);
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
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("after");
        const QString max = QString::number(std::numeric_limits<int>::max());
        const QString min = QString::number(std::numeric_limits<int>::min());
        QTest::newRow("up from 0") << "0" << true << "1";
        QTest::newRow("down from 0") << "0" << false << "-1";
        QTest::newRow("up from -7") << "-7" << true << "-6";
        QTest::newRow("up on a word") << "abc" << true << "1";
        QTest::newRow("up on the plus form") << "+41" << true << "42";
        QTest::newRow("up at the largest") << max << true << max;
        QTest::newRow("down at the smallest") << min << false << min;
        QTest::newRow("down from the largest") << max << false << "2147483646";
    }
    void stepping() {
        QFETCH(QString, start);
        QFETCH(bool, up);
        QFETCH(QString, after);
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
