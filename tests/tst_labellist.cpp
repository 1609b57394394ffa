#include <QtTest>

#include <string>

#include "stores/LabelList.h"
#include "support/Cp1252Rows.h"

using namespace qlx;
using qlx::test::bytes;
using qlx::test::qbytes;

class LabelListTest : public QObject {
    Q_OBJECT
private slots:
    void makeRecord_data() {
        QTest::addColumn<QByteArray>("mineral");
        QTest::addColumn<QByteArray>("locality");
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("record");
        const auto row = [](const char* name, QByteArray mineral, QByteArray locality,
                            QByteArray info, QByteArray record) {
            QTest::newRow(name) << mineral << locality << info << record;
        };
        row("three fields", "Quartz", "Arkansas", "SiO2", "|Quartz|Arkansas|SiO2|");
        row("all empty", "", "", "", "||||");
        row("empty locality", "Calcit", "", "CaCO3", "|Calcit||CaCO3|");
        row("spaces kept", " a ", "b, c", " ", "| a |b, c| |");
        row("bar in a field kept", "a|b", "c", "d", "|a|b|c|d|");
        row("Windows-1252 letters", "\xC5kermanit", "G\xE4llivare", "\xE9\xFC",
            "|\xC5kermanit|G\xE4llivare|\xE9\xFC|");
    }
    void makeRecord() {
        QFETCH(QByteArray, mineral);
        QFETCH(QByteArray, locality);
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, record);
        QCOMPARE(qbytes(makeLabelRecord(bytes(mineral), bytes(locality), bytes(info))), record);
    }

    void splitRecord_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("mineral");
        QTest::addColumn<QByteArray>("locality");
        QTest::addColumn<QByteArray>("info");
        const auto row = [](const char* name, QByteArray line, QByteArray mineral,
                            QByteArray locality, QByteArray info) {
            QTest::newRow(name) << line << mineral << locality << info;
        };
        row("well formed", "|Quartz|Arkansas|SiO2|", "Quartz", "Arkansas", "SiO2");
        row("two fields", "|a|b|", "a", "b", "");
        row("first character lost", "abc|def|ghi|", "bc", "def", "ghi");
        row("after the third bar ignored", "|a|b|c|d|", "a", "b", "c");
        row("no bar", "Quartz Arkansas", "", "", "");
        row("empty line", "", "", "", "");
        row("one bar", "|", "", "", "");
        row("four bars", "||||", "", "", "");
        row("mineral not closed", "|Quartz", "", "", "");
        row("locality not closed", "|Quartz|Arkansas", "Quartz", "", "");
        row("info not closed", "|Quartz|Arkansas|SiO2", "Quartz", "Arkansas", "");
        row("empty middle field", "|Calcit||CaCO3|", "Calcit", "", "CaCO3");
        row("bar at position 2", "||x|y|z|", "", "x", "y");
        row("spaces and high bytes kept", "| \xC5 | \xE9 |\xFC |", " \xC5 ", " \xE9 ", "\xFC ");
    }
    void splitRecord() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, mineral);
        QFETCH(QByteArray, locality);
        QFETCH(QByteArray, info);
        const LabelRecord r = splitLabelRecord(bytes(line));
        QCOMPARE(qbytes(r.mineral), mineral);
        QCOMPARE(qbytes(r.locality), locality);
        QCOMPARE(qbytes(r.info), info);
    }

    void storedLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
        QTest::newRow("one line with break") << QByteArray("a\r\n") << QList<QByteArray>{"a"};
        QTest::newRow("one line without break") << QByteArray("a") << QList<QByteArray>{"a"};
        QTest::newRow("two lines") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
        QTest::newRow("last line unfinished")
            << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("only a break") << QByteArray("\r\n") << QList<QByteArray>{""};
        QTest::newRow("empty line kept")
            << QByteArray("a\r\n\r\nb\r\n") << QList<QByteArray>{"a", "", "b"};
        QTest::newRow("lone LF and CR")
            << QByteArray("a\nb\rc") << QList<QByteArray>{"a", "b", "c"};
        QTest::newRow("CR then CR LF") << QByteArray("a\r\r\nb") << QList<QByteArray>{"a", "", "b"};
    }
    void storedLines() {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, lines);
        const std::string t = bytes(text);
        QList<QByteArray> got;
        for (std::string_view line : qlx::storedLines(t))
            got << qbytes(line);
        QCOMPARE(got, lines);
    }

    // A record far wider than any list box is one record with its fields whole.
    void wideRecordIsOneRecord() {
        const std::string mineral(5000, 'M');
        const std::string locality(7000, 'L');
        std::string text = makeLabelRecord("Calcit", "Falun", "CaCO3") + "\r\n";
        text += makeLabelRecord(mineral, locality, "x") + "\r\n";
        const std::vector<LabelRecord> records = labelListRecords(text);
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(records[0].mineral, std::string("Calcit"));
        QCOMPARE(records[1].mineral, mineral);
        QCOMPARE(records[1].locality, locality);
        QCOMPARE(records[1].info, std::string("x"));
    }

    void counter_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("next");
        const auto row = [](const char* tag, QString caption, QString next) {
            QTest::newRow(tag) << caption << next;
        };
        row("initial", "0", "1");
        row("carry", "9", "10");
        row("two carries", "199", "200");
        row("beyond 32 bits", "4294967295", "4294967296");
        row("empty", "", "1");
        row("not a number", "abc", "1");
        row("trailing junk", "12x", "1");
        row("negative", "-3", "1");
        row("largest stays", "18446744073709551615", "18446744073709551615");
        row("too large", "99999999999999999999", "1");
    }
    void counter() {
        QFETCH(QString, caption);
        QFETCH(QString, next);
        QCOMPARE(QString::fromStdString(nextLabelCount(caption.toStdString())), next);
    }

    void infoIsFormula_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("formula");
        QTest::newRow("ticked") << true << "CaCO3";
        QTest::newRow("ticked, empty formula") << true << "";
        QTest::newRow("unticked") << false << "CaCO3";
    }
    void infoIsFormula() {
        QFETCH(bool, ticked);
        QFETCH(QString, formula);
        const auto info = infoAfterFormulaChange(ticked, formula.toStdString());
        QCOMPARE(info.has_value(), ticked);
        if (ticked)
            QCOMPARE(QString::fromStdString(*info), formula);
    }
};

QTEST_GUILESS_MAIN(LabelListTest)
#include "tst_labellist.moc"
