#include <QtTest>

#include <string>

#include "stores/TextCase.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"

using namespace qlx;

namespace {

// The rows are written in Windows-1252 for short literals; the functions take UTF-8.
std::string bytes(const QByteArray& b) {
    return cp1252::toUtf8(std::string(b.constData(), static_cast<std::size_t>(b.size())));
}

// Every byte from 0x80 to 0xFF except the given ones: none of them may fold.
QByteArray highBytesExcept(const QByteArray& folded) {
    QByteArray out;
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (!folded.contains(static_cast<char>(b)))
            out += static_cast<char>(b);
    }
    return out;
}

} // namespace

class TextCaseTest : public QObject {
    Q_OBJECT
private slots:
    void upperCase_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("a to z") << QByteArray("abcdefghijklmnopqrstuvwxyz")
                                << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QTest::newRow("capitals stay") << QByteArray("CALCITE") << QByteArray("CALCITE");
        QTest::newRow("mixed") << QByteArray("Calcite, var. X") << QByteArray("CALCITE, VAR. X");
        QTest::newRow("swedish small") << QByteArray("\xE5\xE4\xF6") << QByteArray("\xC5\xC4\xD6");
        QTest::newRow("swedish capitals stay")
            << QByteArray("\xC5\xC4\xD6") << QByteArray("\xC5\xC4\xD6");
        QTest::newRow("swedish in a word")
            << QByteArray("g\xF6tzenit") << QByteArray("G\xD6TZENIT");
        QTest::newRow("e acute stays") << QByteArray("\xE9") << QByteArray("\xE9");
        QTest::newRow("u diaeresis stays") << QByteArray("m\xFCller") << QByteArray("M\xFCLLER");
        QTest::newRow("ae and o slash stay") << QByteArray("\xE6\xF8") << QByteArray("\xE6\xF8");
        QTest::newRow("y diaeresis stays") << QByteArray("\xFF") << QByteArray("\xFF");
        QTest::newRow("s caron stays") << QByteArray("\x9A") << QByteArray("\x9A");
        QTest::newRow("other high bytes stay")
            << highBytesExcept("\xE4\xE5\xF6") << highBytesExcept("\xE4\xE5\xF6");
        QTest::newRow("digits, signs, bar")
            << QByteArray("Fe2+ | 3,4 ()[]{}@`~") << QByteArray("FE2+ | 3,4 ()[]{}@`~");
        QTest::newRow("NUL and controls kept")
            << QByteArray("a\0b\r\n\x01", 6) << QByteArray("A\0B\r\n\x01", 6);
    }
    void upperCase() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(upperCaseText(bytes(text)), bytes(expected));
    }

    void lowerCase_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("A to Z") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ")
                                << QByteArray("abcdefghijklmnopqrstuvwxyz");
        QTest::newRow("small stay") << QByteArray("quartz") << QByteArray("quartz");
        QTest::newRow("swedish capitals")
            << QByteArray("\xC5\xC4\xD6") << QByteArray("\xE5\xE4\xF6");
        QTest::newRow("swedish small stay")
            << QByteArray("\xE5\xE4\xF6") << QByteArray("\xE5\xE4\xF6");
        QTest::newRow("E acute stays") << QByteArray("\xC9LBAIT") << QByteArray("\xC9lbait");
        QTest::newRow("U diaeresis stays") << QByteArray("\xDC") << QByteArray("\xDC");
        QTest::newRow("AE and O slash stay") << QByteArray("\xC6\xD8") << QByteArray("\xC6\xD8");
        QTest::newRow("S caron stays") << QByteArray("\x8A") << QByteArray("\x8A");
        QTest::newRow("other high bytes stay")
            << highBytesExcept("\xC4\xC5\xD6") << highBytesExcept("\xC4\xC5\xD6");
        QTest::newRow("NUL and controls kept")
            << QByteArray("A\0B\x1F", 4) << QByteArray("a\0b\x1F", 4);
    }
    void lowerCase() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(lowerCaseText(bytes(text)), bytes(expected));
    }

    void properCase_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("final E dropped") << QByteArray("CALCITE") << QByteArray("Calcit");
        QTest::newRow("andalusite") << QByteArray("ANDALUSITE") << QByteArray("Andalusit");
        QTest::newRow("no final E") << QByteArray("QUARTZ") << QByteArray("Quartz");
        QTest::newRow("one letter E stays") << QByteArray("E") << QByteArray("E");
        QTest::newRow("EE loses one E") << QByteArray("EE") << QByteArray("E");
        QTest::newRow("small final e stays") << QByteArray("CALCITe") << QByteArray("Calcite");
        QTest::newRow("E followed by space stays") << QByteArray("ABE ") << QByteArray("Abe ");
        QTest::newRow("first character unchanged") << QByteArray("aBC") << QByteArray("abc");
        QTest::newRow("leading capital A ring")
            << QByteArray("\xC5KERMANITE") << QByteArray("\xC5kermanit");
        QTest::newRow("later swedish capitals fold")
            << QByteArray("\xC5S\xC5R\xC4\xD6") << QByteArray("\xC5s\xE5r\xE4\xF6");
        QTest::newRow("U diaeresis keeps its case")
            << QByteArray("M\xDCLLERITE") << QByteArray("M\xDCllerit");
        QTest::newRow("formula column as name") << QByteArray("Ca(CO3)") << QByteArray("Ca(co3)");
        QTest::newRow("single other letter") << QByteArray("X") << QByteArray("X");
    }
    void properCase() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(properCaseName(bytes(text)), bytes(expected));
    }

    void cutAtComma_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("no comma") << QByteArray("Calcite") << QByteArray("Calcite");
        QTest::newRow("variety") << QByteArray("Calcite, var. X") << QByteArray("Calcite");
        QTest::newRow("first comma wins") << QByteArray("a,b,c") << QByteArray("a");
        QTest::newRow("leading comma") << QByteArray(",x") << QByteArray();
        QTest::newRow("only a comma") << QByteArray(",") << QByteArray();
        QTest::newRow("trailing comma") << QByteArray("Quartz,") << QByteArray("Quartz");
        QTest::newRow("high bytes before comma")
            << QByteArray("\xE5\xE4\xF6,\xE9") << QByteArray("\xE5\xE4\xF6");
    }
    void cutAtComma() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(qlx::cutAtComma(bytes(text)), bytes(expected));
    }

    void removePlus_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("no plus") << QByteArray("CaCO3") << QByteArray("CaCO3");
        QTest::newRow("charges") << QByteArray("Fe2+Fe3+2O4") << QByteArray("Fe2Fe32O4");
        QTest::newRow("charge at the end") << QByteArray("Ca2+") << QByteArray("Ca2");
        QTest::newRow("only plus signs") << QByteArray("+++") << QByteArray();
        QTest::newRow("spaces kept") << QByteArray("Fe2+ O") << QByteArray("Fe2 O");
        QTest::newRow("plus-minus sign kept") << QByteArray("\xB1+") << QByteArray("\xB1");
    }
    void removePlus() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(qlx::removePlus(bytes(text)), bytes(expected));
    }
};

QTEST_GUILESS_MAIN(TextCaseTest)
#include "tst_textcase.moc"
