#include <QtTest>

#include <string>

#include "stores/LocalityCache.h"

using namespace qlx;

namespace {

std::string bytes(const QByteArray& b) {
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

QByteArray qbytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// How the cache store appends a line: never joined to an unfinished last line.
void addLine(std::string& text, const std::string& line) {
    const bool endsWithBreak = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    if (text.empty() || endsWithBreak)
        text += line + "\r\n";
    else
        text += "\r\n" + line;
}

// The locality field and its hidden helpers across Enter presses and additions.
struct LocalityRow {
    std::string edit6, edit1 = "Edit1", lastlocality = std::string(kNoLocalityCompletion);
    std::string cache;
    int saves = 0;

    void pressEnter() {
        const LocalityCompletion c = completeLocality(cache, edit6, edit1);
        lastlocality = c.completion;
        if (auto text = localityFieldAfterEnter(lastlocality))
            edit6 = *text;
    }
    void addRecord() {
        const LocalityCacheUpdate u = localityCacheUpdate(cache, edit6);
        if (u.addAndSave) {
            addLine(cache, u.line);
            ++saves;
        }
    }
};

const QByteArray kCache = "|Falun, Dalarna\r\n|Kiruna\r\n";

} // namespace

class LocalityCacheTest : public QObject {
    Q_OBJECT
private slots:
    void completion_data() {
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("edit1");
        QTest::addColumn<bool>("matched");
        QTest::addColumn<QByteArray>("completion");
        const QByteArray e1 = "Edit1";
        QTest::newRow("beginning completes")
            << kCache << QByteArray("Fa") << e1 << true << QByteArray("Falun, Dalarna");
        QTest::newRow("empty field takes the oldest")
            << kCache << QByteArray() << e1 << true << QByteArray("Falun, Dalarna");
        QTest::newRow("case-sensitive")
            << kCache << QByteArray("fa") << e1 << false << QByteArray();
        QTest::newRow("anchored at a bar")
            << kCache << QByteArray("alun") << e1 << false << QByteArray();
        QTest::newRow("comma and space in the typed text")
            << kCache << QByteArray("Falun, D") << e1 << true << QByteArray("Falun, Dalarna");
        QTest::newRow("whole entry typed")
            << kCache << QByteArray("Falun, Dalarna") << e1 << true << QByteArray("Falun, Dalarna");
        QTest::newRow("first of several in file order")
            << QByteArray("|Falun, Dalarna\r\n|Falun, Bergslagen\r\n|x\r\n") << QByteArray("Falun")
            << e1 << true << QByteArray("Falun, Dalarna");
        QTest::newRow("later entry") << QByteArray("|Kiruna\r\n|Falun\r\n|x\r\n")
                                     << QByteArray("Fa") << e1 << true << QByteArray("Falun");
        QTest::newRow("one character")
            << QByteArray("|a\r\n|b\r\n") << QByteArray("a") << e1 << true << QByteArray("a");
        QTest::newRow("nothing after the bar")
            << QByteArray("|\r\n|b\r\n") << QByteArray() << e1 << true << QByteArray();
        QTest::newRow("blank line keeps one CR LF")
            << QByteArray("|Falun\r\n\r\n|Kiruna\r\n") << QByteArray("Fa") << e1 << true
            << QByteArray("Falun\r\n");
        QTest::newRow("line without a bar is run over")
            << QByteArray("|Falun\r\nnote\r\n|Kiruna\r\n") << QByteArray("Fa") << e1 << true
            << QByteArray("Falun\r\nnote");
        QTest::newRow("bar inside a cached locality")
            << QByteArray("|Falun|x\r\n|Kiruna\r\n") << QByteArray("Fa") << e1 << true
            << QByteArray("Fal");
        QTest::newRow("bar right after a short entry")
            << QByteArray("|A|B\r\n|C\r\n") << QByteArray("A") << e1 << true << QByteArray();
        QTest::newRow("last entry")
            << kCache << QByteArray("Ki") << e1 << true << QByteArray("Kiruna");
        QTest::newRow("last entry without line break")
            << QByteArray("|Falun\r\n|Kiruna") << QByteArray("Ki") << e1 << true
            << QByteArray("Kiruna");
        QTest::newRow("last entry before lines without bars")
            << QByteArray("|Falun\r\n|Kiruna\r\nnote\r\n") << QByteArray("Ki") << e1 << true
            << QByteArray("Kiruna");
        QTest::newRow("last entry with lone LF")
            << QByteArray("|Kiruna\nx") << QByteArray("K") << e1 << true << QByteArray("Kiruna");
        QTest::newRow("last entry empty")
            << QByteArray("|\r\n") << QByteArray() << e1 << true << QByteArray();
        QTest::newRow("only a bar")
            << QByteArray("|") << QByteArray() << e1 << true << QByteArray();
        QTest::newRow("empty Edit1 gives nothing")
            << kCache << QByteArray("Fa") << QByteArray() << true << QByteArray();
        QTest::newRow("any Edit1 text") << kCache << QByteArray("Fa") << QByteArray("Quartz")
                                        << true << QByteArray("Falun, Dalarna");
        QTest::newRow("empty cache") << QByteArray() << QByteArray() << e1 << false << QByteArray();
        QTest::newRow("no bars") << QByteArray("Falun\r\nKiruna\r\n") << QByteArray() << e1 << false
                                 << QByteArray();
        QTest::newRow("Windows-1252 letters")
            << QByteArray("|G\xE4llivare\r\n|\xC5re\r\n") << QByteArray("\xC5") << e1 << true
            << QByteArray("\xC5re");
        QTest::newRow("swedish letters not folded")
            << QByteArray("|\xC5re\r\n|x\r\n") << QByteArray("\xE5") << e1 << false << QByteArray();
        QTest::newRow("NUL and control bytes")
            << QByteArray("|Fa\0lun\x01\r\n|x", 12) << QByteArray("Fa") << e1 << true
            << QByteArray("Fa\0lun\x01", 7);
    }
    void completion() {
        QFETCH(QByteArray, cache);
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, edit1);
        QFETCH(bool, matched);
        QFETCH(QByteArray, completion);
        const LocalityCompletion c = completeLocality(bytes(cache), bytes(typed), bytes(edit1));
        QCOMPARE(c.matched, matched);
        QCOMPARE(qbytes(c.completion), completion);
    }

    void longEntry() {
        const std::string locality(200000, 'x');
        const std::string cache = "|a\r\n|" + locality + "\r\n|b\r\n|" + locality;
        QCOMPARE(completeLocality(cache, "x", "Edit1").completion, locality);
        QCOMPARE(completeLocality(cache, "xx", "Edit1").completion, locality);
        QCOMPARE(completeLocality(cache, locality + "x", "Edit1").matched, false);
    }

    void fieldAfterEnter_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("copied");
        QTest::newRow("a completion") << "Falun, Dalarna" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("initial caption") << "lastlocality" << false;
        QTest::newRow("initial caption with a space") << "lastlocality " << true;
        QTest::newRow("other case") << "Lastlocality" << true;
        QTest::newRow("a space") << " " << true;
    }
    void fieldAfterEnter() {
        QFETCH(QString, caption);
        QFETCH(bool, copied);
        const auto text = localityFieldAfterEnter(caption.toStdString());
        QCOMPARE(text.has_value(), copied);
        if (copied)
            QCOMPARE(QString::fromStdString(*text), caption);
    }

    void cacheUpdate_data() {
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QByteArray>("locality");
        QTest::addColumn<bool>("added");
        QTest::newRow("new locality") << kCache << QByteArray("Norberg") << true;
        QTest::newRow("cached locality") << kCache << QByteArray("Kiruna") << false;
        QTest::newRow("beginning of a cached locality") << kCache << QByteArray("Falun") << false;
        QTest::newRow("other case") << kCache << QByteArray("falun") << true;
        QTest::newRow("end of a cached locality") << kCache << QByteArray("Dalarna") << true;
        QTest::newRow("longer than a cached locality")
            << kCache << QByteArray("Kiruna, Lappland") << true;
        QTest::newRow("empty locality, entries cached") << kCache << QByteArray() << false;
        QTest::newRow("empty locality, empty cache") << QByteArray() << QByteArray() << true;
        QTest::newRow("empty cache") << QByteArray() << QByteArray("Falun") << true;
        QTest::newRow("Windows-1252 letters")
            << kCache << QByteArray("\xC5re, J\xE4mtland") << true;
    }
    void cacheUpdate() {
        QFETCH(QByteArray, cache);
        QFETCH(QByteArray, locality);
        QFETCH(bool, added);
        const LocalityCacheUpdate u = localityCacheUpdate(bytes(cache), bytes(locality));
        QCOMPARE(u.addAndSave, added);
        if (added)
            QCOMPARE(qbytes(u.line), "|" + locality);
    }

    // Enter pressed in turn in the locality field; the last entry of `typed` is what the
    // field shows before the last Enter.
    void enterSequence_data() {
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("edit1");
        QTest::addColumn<QString>("field");
        QTest::newRow("completes") << kCache << QStringList{"Fa"} << "Edit1"
                                   << "Falun, Dalarna";
        QTest::newRow("no completion yet keeps the typed text")
            << kCache << QStringList{"Norberg"} << "Edit1"
            << "Norberg";
        QTest::newRow("failed completion after a completion keeps the typed text")
            << kCache << QStringList{"Fa", "Norberg"} << "Edit1"
            << "Norberg";
        QTest::newRow("completion after a failed one")
            << kCache << QStringList{"Fa", "Norberg", "Ki"} << "Edit1"
            << "Kiruna";
        QTest::newRow("empty completion keeps the typed text")
            << QByteArray("|\r\n|Falun\r\n") << QStringList{"Fa", ""} << "Edit1"
            << "";
        QTest::newRow("empty completion then failure keeps the typed text")
            << QByteArray("|\r\n|Falun\r\n") << QStringList{"Fa", "", "Norberg"} << "Edit1"
            << "Norberg";
        QTest::newRow("cached word lastlocality never fills the field")
            << QByteArray("|lastlocality\r\n|x\r\n") << QStringList{"last"} << "Edit1"
            << "last";
        QTest::newRow("empty Edit1") << kCache << QStringList{"Fa"} << ""
                                     << "Fa";
    }
    void enterSequence() {
        QFETCH(QByteArray, cache);
        QFETCH(QStringList, typed);
        QFETCH(QString, edit1);
        QFETCH(QString, field);
        LocalityRow row;
        row.cache = bytes(cache);
        row.edit1 = edit1.toStdString();
        for (const QString& t : typed) {
            row.edit6 = t.toStdString();
            row.pressEnter();
        }
        QCOMPARE(QString::fromStdString(row.edit6), field);
    }

    // Records added one after another grow the cache, which then completes them.
    void addThenComplete() {
        LocalityRow row;
        for (const char* locality : {"Falun, Dalarna", "Falun", "Kiruna", "Falun, Dalarna"}) {
            row.edit6 = locality;
            row.addRecord();
        }
        QCOMPARE(row.cache, std::string("|Falun, Dalarna\r\n|Kiruna\r\n"));
        QCOMPARE(row.saves, 2);
        row.edit6 = "Ki";
        row.pressEnter();
        QCOMPARE(row.edit6, std::string("Kiruna"));
        row.edit6 = "";
        row.addRecord();
        QCOMPARE(row.saves, 2);
    }

    void storeNeedsLoad() {
        QVERIFY(localityCacheNeedsLoad(""));
        QVERIFY(!localityCacheNeedsLoad("|"));
    }
};

QTEST_GUILESS_MAIN(LocalityCacheTest)
#include "tst_locality.moc"
