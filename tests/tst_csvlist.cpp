// Label lists as spreadsheets write and read them: CSV texts through the store, and Python's
// csv module as an independent reader and writer of the files.
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <string>

#include "stores/CsvList.h"
#include "stores/Error.h"
#include "stores/LineStore.h"
#include "support/ErrorOf.h"
#include "support/RunTool.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

QByteArray q(const std::string& s) {
    return QByteArray::fromStdString(s);
}

std::string s(const QByteArray& b) {
    return b.toStdString();
}

} // namespace

class CsvListTest : public QObject {
    Q_OBJECT
private slots:
    void readsSpreadsheetTexts_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QByteArray>("list");
        const auto row = [](const char* name, QByteArray csv, QByteArray list) {
            QTest::newRow(name) << csv << list;
        };
        row("plain, CR LF",
            "Mineral,Locality,Info\r\nQuartz,Arkansas,SiO2\r\nCalcit,Falun,CaCO3\r\n",
            "|Quartz|Arkansas|SiO2|\r\n|Calcit|Falun|CaCO3|\r\n");
        row("LF, no final line break",
            "Mineral,Locality,Info\nQuartz,Arkansas,SiO2\nCalcit,Falun,CaCO3",
            "|Quartz|Arkansas|SiO2|\r\n|Calcit|Falun|CaCO3|\r\n");
        row("quoted comma", "Mineral,Locality,Info\r\nMagnetit,\"Tsumeb Mine, Namibia\",Fe3O4\r\n",
            "|Magnetit|Tsumeb Mine, Namibia|Fe3O4|\r\n");
        row("doubled quotes", "Mineral,Locality,Info\r\n\"The \"\"Big\"\" one\",\"\"\"\",x\r\n",
            "|The \"Big\" one|\"|x|\r\n");
        row("line breaks inside quotes become spaces",
            "Mineral,Locality,Info\r\nA,\"Falun\r\nDalarna\",\"1\n2\r3\"\r\n",
            "|A|Falun Dalarna|1 2 3|\r\n");
        row("BOM and UTF-8",
            "\xEF\xBB\xBFMineral,Locality,Info\r\n\xC3\x85sarit,G\xC3\xA4llivare,"
            "Fe\xE2\x82\x82\r\n",
            "|\xC3\x85sarit|G\xC3\xA4llivare|Fe\xE2\x82\x82|\r\n");
        row("Windows-1252 without BOM", "Mineral,Locality,Info\r\n\xC5sarit,G\xE4llivare,x\r\n",
            "|\xC3\x85sarit|G\xC3\xA4llivare|x|\r\n");
        row("other order, other case, extra columns",
            "No,INFO, locality ,Notes,mineral\r\n1,SiO2,Arkansas,clear,Quartz\r\n",
            "|Quartz|Arkansas|SiO2|\r\n");
        row("quoted header names", "\"Mineral\",\"Locality\",\"Info\"\r\nA,B,C\r\n", "|A|B|C|\r\n");
        row("semicolons", "Mineral;Locality;Info\r\nMagnetit;Tsumeb Mine, Namibia;\"a;b\"\r\n",
            "|Magnetit|Tsumeb Mine, Namibia|a;b|\r\n");
        row("tabs", "Mineral\tLocality\tInfo\nA, 1\tB\tC\n", "|A, 1|B|C|\r\n");
        row("short row leaves fields empty", "Mineral,Locality,Info\r\nQuartz\r\nCalcit,Falun\r\n",
            "|Quartz|||\r\n|Calcit|Falun||\r\n");
        row("empty rows are no labels", "Mineral,Locality,Info\r\n\r\n,,\r\nA,,\r\n,,\r\n",
            "|A|||\r\n");
        row("spaces kept, bar kept", "Mineral,Locality,Info\r\n a , b|c ,\"  \"\r\n",
            "| a | b|c |  |\r\n");
        row("text after a closing quote kept", "Mineral,Locality,Info\r\n\"a\"b,5\" x,c\r\n",
            "|ab|5\" x|c|\r\n");
        row("header only", "Mineral,Locality,Info\r\n", "");
        row("last field empty at the end", "Mineral,Locality,Info\r\nA,B,", "|A|B||\r\n");
    }
    void readsSpreadsheetTexts() {
        QFETCH(QByteArray, csv);
        QFETCH(QByteArray, list);
        QCOMPARE(q(csv::listTextFromCsv(s(csv), "/some/list.csv")), list);
    }

    // A file that is not such a list is refused with a message naming it, never read as
    // blank labels.
    void refusesOtherFiles_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, QByteArray csv, QString reason) {
            QTest::newRow(name) << csv << reason;
        };
        const QString mustName =
            "its first row must name the columns Mineral, Locality and Info, and it has no ";
        row("empty", "", "the file is empty");
        row("only a BOM", "\xEF\xBB\xBF", "the file is empty");
        row("other columns", "Name,Place,Notes\r\nQuartz,Arkansas,SiO2\r\n",
            mustName + "columns Mineral, Locality and Info");
        row("one column missing", "Mineral,Locality,Formula\r\nQuartz,Arkansas,SiO2\r\n",
            mustName + "column Info");
        row("no header, data first", "Quartz,Arkansas,SiO2\r\nMineral,Locality,Info\r\n",
            mustName + "columns Mineral, Locality and Info");
        row("named twice", "Mineral,Locality,Info,mineral\r\nA,B,C,D\r\n",
            "its header row names the column Mineral twice");
        row("quote never closed", "Mineral,Locality,Info\r\nA,B,C\r\nD,\"E,F\r\nG,H,I\r\n",
            "a quoted field that starts in row 3 is never closed");
        row("an RTF list", "{\\rtf1\\ansi |Quartz|Arkansas|SiO2|\\par}", "its first row must name");
    }
    void refusesOtherFiles() {
        QFETCH(QByteArray, csv);
        QFETCH(QString, reason);
        const QString message =
            test::errorOf([&] { csv::listTextFromCsv(s(csv), "/some/list.csv"); });
        QVERIFY2(message.startsWith("Cannot read /some/list.csv as a CSV label list: " + reason),
                 qPrintable(message));
    }

    void writesSpreadsheetTexts_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QByteArray>("csv");
        const QByteArray head("\xEF\xBB\xBFMineral,Locality,Info\r\n");
        QTest::newRow("empty list") << QByteArray() << head;
        QTest::newRow("records")
            << QByteArray("|Quartz|Arkansas|SiO2|\r\n|Magnetit|Tsumeb Mine, Namibia|Fe3O4|\r\n")
            << head + "Quartz,Arkansas,SiO2\r\nMagnetit,\"Tsumeb Mine, Namibia\",Fe3O4\r\n";
        QTest::newRow("quotes and spaces")
            << QByteArray("|5\" x| lead|trail |") << head + "\"5\"\" x\",\" lead\",\"trail \"\r\n";
        QTest::newRow("lines split as rendering splits them")
            << QByteArray("|a|b|\r\nabc|def|ghi|\r\n|a|b|c|d|\r\n")
            << head + "a,b,\r\nbc,def,ghi\r\na,b,c\r\n";
    }
    void writesSpreadsheetTexts() {
        QFETCH(QByteArray, list);
        QFETCH(QByteArray, csv);
        QCOMPARE(q(csv::csvFromListText(s(list))), csv);
    }

    void csvPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("csv");
        QTest::newRow("csv") << "/a/list.csv" << true;
        QTest::newRow("upper case") << "LIST.CSV" << true;
        QTest::newRow("mixed case") << "list.Csv" << true;
        QTest::newRow("rtf") << "/a/list.rtf" << false;
        QTest::newRow("no extension") << "/a/csv" << false;
        QTest::newRow("csv inside") << "/a.csv/list" << false;
        QTest::newRow("longer extension") << "list.csvx" << false;
    }
    void csvPaths() {
        QFETCH(QString, path);
        QFETCH(bool, csv);
        QCOMPARE(csv::isCsvPath(path.toStdString()), csv);
    }

    // Through the store and files: what is saved opens again as the same records; a file
    // that cannot be read or is not a CSV list leaves the store as it was.
    void storeRoundTripAndFailures() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("list.csv").toStdString();
        LineStore list(false);
        list.setText("|Magnetit|Tsumeb Mine, Namibia|Fe3O4|\r\n|\xC3\x85sarit|\"x\"|\r\n");
        list.saveCsvFile(path);
        LineStore opened(false);
        opened.loadCsvFile(path);
        // The second line has two fields; the row gives it the empty third one.
        QCOMPARE(opened.text(), std::string("|Magnetit|Tsumeb Mine, Namibia|Fe3O4|\r\n"
                                            "|\xC3\x85sarit|\"x\"||\r\n"));

        QVERIFY(test::writeFile(dir.filePath("other.csv"), "Name,Place\r\nA,B\r\n"));
        const std::string before = opened.text();
        for (const QString& bad :
             {dir.filePath("other.csv"), dir.filePath("missing.csv"), dir.path()}) {
            const QString message = test::errorOf([&] { opened.loadCsvFile(bad.toStdString()); });
            QVERIFY2(message.contains(bad), qPrintable(message));
            QCOMPARE(opened.text(), before);
        }
    }

    // Python's csv module reads what we write, field for field, and we read what it writes.
    void pythonAgreesBothWays() {
        QVERIFY2(!QStandardPaths::findExecutable("python3").isEmpty(),
                 "python3 is not installed (scripts/install-deps installs it)");
        QTemporaryDir dir;
        const QStringList fields{"Magnetit", "Tsumeb Mine, Namibia",
                                 "Fe3O4",    QString::fromUtf8("Åsarit \"rare\""),
                                 " x ",      "",
                                 "a;b",      "",
                                 "last"};
        LineStore list(false);
        for (int i = 0; i < fields.size(); i += 3)
            list.add("|" + fields[i].toStdString() + "|" + fields[i + 1].toStdString() + "|" +
                     fields[i + 2].toStdString() + "|");
        const QString ours = dir.filePath("ours.csv");
        list.saveCsvFile(ours.toStdString());
        const std::optional<QByteArray> read = test::runTool(
            "python3", {"-c",
                        "import csv, json, sys\n"
                        "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                        "    print(json.dumps(list(csv.reader(f))))\n",
                        ours});
        QVERIFY(read);
        QJsonArray expected{QJsonArray{"Mineral", "Locality", "Info"}};
        for (int i = 0; i < fields.size(); i += 3)
            expected.append(QJsonArray{fields[i], fields[i + 1], fields[i + 2]});
        QCOMPARE(QJsonDocument::fromJson(*read).array(), expected);

        const QString theirs = dir.filePath("theirs.csv");
        QVERIFY(test::runTool(
            "python3", {"-c",
                        "import csv, sys\n"
                        "with open(sys.argv[1], 'w', encoding='utf-8-sig', newline='') as f:\n"
                        "    w = csv.writer(f)\n"
                        "    w.writerow(['Info', 'Mineral', 'Locality'])\n"
                        "    w.writerow(['Fe3O4', 'Magnetit', 'Tsumeb Mine, Namibia'])\n"
                        "    w.writerow(['say \"hi\"', 'Quartz', 'Falun\\nDalarna'])\n",
                        theirs}));
        LineStore opened(false);
        opened.loadCsvFile(theirs.toStdString());
        QCOMPARE(opened.text(), std::string("|Magnetit|Tsumeb Mine, Namibia|Fe3O4|\r\n"
                                            "|Quartz|Falun Dalarna|say \"hi\"|\r\n"));
    }
};

QTEST_GUILESS_MAIN(CsvListTest)
#include "tst_csvlist.moc"
