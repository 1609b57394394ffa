#include <QtTest>

#include <string>

#include "stores/LabelList.h"
#include "stores/Windows1252.h"

using namespace qlx;

namespace {

// The rows are written in Windows-1252 for short literals; the stores hold UTF-8.
std::string bytes(const QByteArray& b) {
    return cp1252::toUtf8(std::string(b.constData(), static_cast<std::size_t>(b.size())));
}

QByteArray qbytes(std::string_view s) {
    return QByteArray::fromStdString(cp1252::fromUtf8(std::string(s)));
}

} // namespace

class LabelListTest : public QObject {
    Q_OBJECT
private slots:
    void makeRecord_data() {
        QTest::addColumn<QByteArray>("mineral");
        QTest::addColumn<QByteArray>("locality");
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("three fields") << QByteArray("Quartz") << QByteArray("Arkansas")
                                      << QByteArray("SiO2") << QByteArray("|Quartz|Arkansas|SiO2|");
        QTest::newRow("all empty")
            << QByteArray() << QByteArray() << QByteArray() << QByteArray("||||");
        QTest::newRow("empty locality") << QByteArray("Calcit") << QByteArray()
                                        << QByteArray("CaCO3") << QByteArray("|Calcit||CaCO3|");
        QTest::newRow("spaces kept") << QByteArray(" a ") << QByteArray("b, c") << QByteArray(" ")
                                     << QByteArray("| a |b, c| |");
        QTest::newRow("bar in a field kept")
            << QByteArray("a|b") << QByteArray("c") << QByteArray("d") << QByteArray("|a|b|c|d|");
        QTest::newRow("Windows-1252 letters")
            << QByteArray("\xC5kermanit") << QByteArray("G\xE4llivare") << QByteArray("\xE9\xFC")
            << QByteArray("|\xC5kermanit|G\xE4llivare|\xE9\xFC|");
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
        QTest::newRow("well formed") << QByteArray("|Quartz|Arkansas|SiO2|") << QByteArray("Quartz")
                                     << QByteArray("Arkansas") << QByteArray("SiO2");
        QTest::newRow("two fields")
            << QByteArray("|a|b|") << QByteArray("a") << QByteArray("b") << QByteArray();
        QTest::newRow("first character lost") << QByteArray("abc|def|ghi|") << QByteArray("bc")
                                              << QByteArray("def") << QByteArray("ghi");
        QTest::newRow("after the third bar ignored")
            << QByteArray("|a|b|c|d|") << QByteArray("a") << QByteArray("b") << QByteArray("c");
        QTest::newRow("no bar") << QByteArray("Quartz Arkansas") << QByteArray() << QByteArray()
                                << QByteArray();
        QTest::newRow("empty line") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("one bar") << QByteArray("|") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("four bars")
            << QByteArray("||||") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("mineral not closed")
            << QByteArray("|Quartz") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("locality not closed")
            << QByteArray("|Quartz|Arkansas") << QByteArray("Quartz") << QByteArray()
            << QByteArray();
        QTest::newRow("info not closed")
            << QByteArray("|Quartz|Arkansas|SiO2") << QByteArray("Quartz") << QByteArray("Arkansas")
            << QByteArray();
        QTest::newRow("empty middle field") << QByteArray("|Calcit||CaCO3|") << QByteArray("Calcit")
                                            << QByteArray() << QByteArray("CaCO3");
        QTest::newRow("bar at position 2")
            << QByteArray("||x|y|z|") << QByteArray() << QByteArray("x") << QByteArray("y");
        QTest::newRow("spaces and high bytes kept")
            << QByteArray("| \xC5 | \xE9 |\xFC |") << QByteArray(" \xC5 ") << QByteArray(" \xE9 ")
            << QByteArray("\xFC ");
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

    // A record built from fields splits back into the same fields unless a field holds a bar.
    void roundTrip_data() {
        QTest::addColumn<QByteArray>("mineral");
        QTest::addColumn<QByteArray>("locality");
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<bool>("same");
        QTest::newRow("plain") << QByteArray("Calcit") << QByteArray("Falun") << QByteArray("CaCO3")
                               << true;
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray() << true;
        QTest::newRow("Windows-1252")
            << QByteArray("\xC5s") << QByteArray("\xE4") << QByteArray("\xF6") << true;
        QTest::newRow("bar in mineral")
            << QByteArray("a|b") << QByteArray("c") << QByteArray("d") << false;
        QTest::newRow("bar in info")
            << QByteArray("a") << QByteArray("b") << QByteArray("c|d") << false;
    }
    void roundTrip() {
        QFETCH(QByteArray, mineral);
        QFETCH(QByteArray, locality);
        QFETCH(QByteArray, info);
        QFETCH(bool, same);
        const LabelRecord r =
            splitLabelRecord(makeLabelRecord(bytes(mineral), bytes(locality), bytes(info)));
        const bool equal = qbytes(r.mineral) == mineral && qbytes(r.locality) == locality &&
                           qbytes(r.info) == info;
        QCOMPARE(equal, same);
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
        QTest::newRow("initial") << "0"
                                 << "1";
        QTest::newRow("carry") << "9"
                               << "10";
        QTest::newRow("two carries") << "199"
                                     << "200";
        QTest::newRow("beyond 32 bits") << "4294967295"
                                        << "4294967296";
        QTest::newRow("empty") << ""
                               << "1";
        QTest::newRow("not a number") << "abc"
                                      << "1";
        QTest::newRow("trailing junk") << "12x"
                                       << "1";
        QTest::newRow("negative") << "-3"
                                  << "1";
        QTest::newRow("largest stays") << "18446744073709551615"
                                       << "18446744073709551615";
        QTest::newRow("too large") << "99999999999999999999"
                                   << "1";
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
