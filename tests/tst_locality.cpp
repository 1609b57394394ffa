#include <QtTest>

#include <string>

#include "stores/LocalityCache.h"
#include "support/Cp1252Rows.h"

using namespace qlx;
using qlx::test::bytes;
using qlx::test::qbytes;

namespace {

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
        const auto row = [](const char* name, QByteArray cache, QByteArray typed, QByteArray edit1,
                            bool matched, QByteArray completion) {
            QTest::newRow(name) << cache << typed << edit1 << matched << completion;
        };
        row("beginning completes", kCache, "Fa", e1, true, "Falun, Dalarna");
        row("empty field takes the oldest", kCache, "", e1, true, "Falun, Dalarna");
        row("case-sensitive", kCache, "fa", e1, false, "");
        row("anchored at a bar", kCache, "alun", e1, false, "");
        row("comma and space in the typed text", kCache, "Falun, D", e1, true, "Falun, Dalarna");
        row("whole entry typed", kCache, "Falun, Dalarna", e1, true, "Falun, Dalarna");
        row("first of several in file order", "|Falun, Dalarna\r\n|Falun, Bergslagen\r\n|x\r\n",
            "Falun", e1, true, "Falun, Dalarna");
        row("later entry", "|Kiruna\r\n|Falun\r\n|x\r\n", "Fa", e1, true, "Falun");
        row("one character", "|a\r\n|b\r\n", "a", e1, true, "a");
        row("nothing after the bar", "|\r\n|b\r\n", "", e1, true, "");
        row("blank line keeps one CR LF", "|Falun\r\n\r\n|Kiruna\r\n", "Fa", e1, true, "Falun\r\n");
        row("line without a bar is run over", "|Falun\r\nnote\r\n|Kiruna\r\n", "Fa", e1, true,
            "Falun\r\nnote");
        row("bar inside a cached locality", "|Falun|x\r\n|Kiruna\r\n", "Fa", e1, true, "Fal");
        row("bar right after a short entry", "|A|B\r\n|C\r\n", "A", e1, true, "");
        row("last entry", kCache, "Ki", e1, true, "Kiruna");
        row("last entry without line break", "|Falun\r\n|Kiruna", "Ki", e1, true, "Kiruna");
        row("last entry before lines without bars", "|Falun\r\n|Kiruna\r\nnote\r\n", "Ki", e1, true,
            "Kiruna");
        row("last entry with lone LF", "|Kiruna\nx", "K", e1, true, "Kiruna");
        row("last entry empty", "|\r\n", "", e1, true, "");
        row("only a bar", "|", "", e1, true, "");
        row("empty Edit1 gives nothing", kCache, "Fa", "", true, "");
        row("any Edit1 text", kCache, "Fa", "Quartz", true, "Falun, Dalarna");
        row("empty cache", "", "", e1, false, "");
        row("no bars", "Falun\r\nKiruna\r\n", "", e1, false, "");
        row("Windows-1252 letters", "|G\xE4llivare\r\n|\xC5re\r\n", "\xC5", e1, true, "\xC5re");
        row("swedish letters not folded", "|\xC5re\r\n|x\r\n", "\xE5", e1, false, "");
        row("NUL and control bytes", QByteArray("|Fa\0lun\x01\r\n|x", 12), "Fa", e1, true,
            QByteArray("Fa\0lun\x01", 7));
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
        const auto text = localityFieldAfterEnter(caption.toStdString(), "lastlocality");
        QCOMPARE(text.has_value(), copied);
        if (copied)
            QCOMPARE(QString::fromStdString(*text), caption);
    }

    void cacheUpdate_data() {
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QByteArray>("locality");
        QTest::addColumn<bool>("added");
        const auto row = [](const char* name, QByteArray cache, QByteArray locality, bool added) {
            QTest::newRow(name) << cache << locality << added;
        };
        row("new locality", kCache, "Norberg", true);
        row("cached locality", kCache, "Kiruna", false);
        row("beginning of a cached locality", kCache, "Falun", false);
        row("other case", kCache, "falun", true);
        row("end of a cached locality", kCache, "Dalarna", true);
        row("longer than a cached locality", kCache, "Kiruna, Lappland", true);
        row("empty locality, entries cached", kCache, "", false);
        row("empty locality, empty cache", "", "", true);
        row("empty cache", "", "Falun", true);
        row("Windows-1252 letters", kCache, "\xC5re, J\xE4mtland", true);
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
};

QTEST_GUILESS_MAIN(LocalityCacheTest)
#include "tst_locality.moc"
