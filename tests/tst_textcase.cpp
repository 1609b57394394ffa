#include <QtTest>

#include <string>

#include "stores/TextCase.h"
#include "support/ByteString.h"
#include "support/Cp1252Rows.h"

using namespace qlx;
using qlx::test::bytes;

namespace {

// Every byte from 0x80 to 0xFF except the given ones: none of them may fold.
QByteArray highBytesExcept(const QByteArray& folded) {
    QByteArray out;
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (!folded.contains(static_cast<char>(b)))
            out += static_cast<char>(b);
    }
    return out;
}

// The two columns, text and what it becomes, and one row for each entry.
struct Row {
    const char* name;
    QByteArray text;
    QByteArray expected;
};
void table(std::initializer_list<Row> rows) {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
    for (const Row& row : rows)
        QTest::newRow(row.name) << row.text << row.expected;
}

// Compares what `convert` makes of the row's text with the expected text.
template <typename Convert> void check(Convert convert) {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(convert(bytes(text)), bytes(expected));
}

} // namespace

class TextCaseTest : public QObject {
    Q_OBJECT
private slots:
    void upperCase_data() {
        table({{"empty", "", ""},
               {"a to z", "abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
               {"capitals stay", "CALCITE", "CALCITE"},
               {"mixed", "Calcite, var. X", "CALCITE, VAR. X"},
               {"swedish small", "\xE5\xE4\xF6", "\xC5\xC4\xD6"},
               {"swedish capitals stay", "\xC5\xC4\xD6", "\xC5\xC4\xD6"},
               {"swedish in a word", "g\xF6tzenit", "G\xD6TZENIT"},
               {"e acute stays", "\xE9", "\xE9"},
               {"u diaeresis stays", "m\xFCller", "M\xFCLLER"},
               {"ae and o slash stay", "\xE6\xF8", "\xE6\xF8"},
               {"y diaeresis stays", "\xFF", "\xFF"},
               {"s caron stays", "\x9A", "\x9A"},
               {"other high bytes stay", highBytesExcept("\xE4\xE5\xF6"),
                highBytesExcept("\xE4\xE5\xF6")},
               {"digits, signs, bar", "Fe2+ | 3,4 ()[]{}@`~", "FE2+ | 3,4 ()[]{}@`~"},
               {"NUL and controls kept", QByteArray("a\0b\r\n\x01", 6),
                QByteArray("A\0B\r\n\x01", 6)}});
    }
    void upperCase() { check(upperCaseText); }

    void lowerCase_data() {
        table({{"empty", "", ""},
               {"A to Z", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"},
               {"small stay", "quartz", "quartz"},
               {"swedish capitals", "\xC5\xC4\xD6", "\xE5\xE4\xF6"},
               {"swedish small stay", "\xE5\xE4\xF6", "\xE5\xE4\xF6"},
               {"E acute stays", "\xC9LBAIT", "\xC9lbait"},
               {"U diaeresis stays", "\xDC", "\xDC"},
               {"AE and O slash stay", "\xC6\xD8", "\xC6\xD8"},
               {"S caron stays", "\x8A", "\x8A"},
               {"other high bytes stay", highBytesExcept("\xC4\xC5\xD6"),
                highBytesExcept("\xC4\xC5\xD6")},
               {"NUL and controls kept", QByteArray("A\0B\x1F", 4), QByteArray("a\0b\x1F", 4)}});
    }
    void lowerCase() { check(lowerCaseText); }

    void properCase_data() {
        table({{"empty", "", ""},
               {"final E dropped", "CALCITE", "Calcit"},
               {"andalusite", "ANDALUSITE", "Andalusit"},
               {"no final E", "QUARTZ", "Quartz"},
               {"one letter E stays", "E", "E"},
               {"EE loses one E", "EE", "E"},
               {"small final e stays", "CALCITe", "Calcite"},
               {"E followed by space stays", "ABE ", "Abe "},
               {"first character unchanged", "aBC", "abc"},
               {"leading capital A ring", "\xC5KERMANITE", "\xC5kermanit"},
               {"later swedish capitals fold", "\xC5S\xC5R\xC4\xD6", "\xC5s\xE5r\xE4\xF6"},
               {"U diaeresis keeps its case", "M\xDCLLERITE", "M\xDCllerit"},
               {"formula column as name", "Ca(CO3)", "Ca(co3)"},
               {"single other letter", "X", "X"}});
    }
    void properCase() {
        check([](std::string_view t) { return properCaseName(t); });
    }

    void cutAtComma_data() {
        table({{"empty", "", ""},
               {"no comma", "Calcite", "Calcite"},
               {"variety", "Calcite, var. X", "Calcite"},
               {"first comma wins", "a,b,c", "a"},
               {"leading comma", ",x", ""},
               {"only a comma", ",", ""},
               {"trailing comma", "Quartz,", "Quartz"},
               {"high bytes before comma", "\xE5\xE4\xF6,\xE9", "\xE5\xE4\xF6"}});
    }
    void cutAtComma() { check(qlx::cutAtComma); }

    void removePlus_data() {
        table({{"empty", "", ""},
               {"no plus", "CaCO3", "CaCO3"},
               {"charges", "Fe2+Fe3+2O4", "Fe2Fe32O4"},
               {"charge at the end", "Ca2+", "Ca2"},
               {"only plus signs", "+++", ""},
               {"spaces kept", "Fe2+ O", "Fe2 O"},
               {"plus-minus sign kept", "\xB1+", "\xB1"}});
    }
    void removePlus() { check(qlx::removePlus); }
};

QTEST_GUILESS_MAIN(TextCaseTest)
#include "tst_textcase.moc"
