#include <QtTest>

#include <string>

#include "stores/MineralLookup.h"
#include "stores/TextCase.h"
#include "stores/Windows1252.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

// The rows are written in Windows-1252 for short literals; the stores hold UTF-8.
std::string bytes(const QByteArray& b) {
    return cp1252::toUtf8(std::string(b.constData(), static_cast<std::size_t>(b.size())));
}

QByteArray qbytes(const std::string& s) {
    return QByteArray::fromStdString(cp1252::fromUtf8(s));
}

// A small listing in the database's own layout: bar, space, name in capitals padded with
// spaces, bar, formula, bar, more columns.
const QByteArray kDatabase = "| ANDALUSITE      | Al2SiO5        | orthorhombic |\r\n"
                             "| CALCIOBORITE    | CaB2O4         | orthorhombic |\r\n"
                             "| CALCITE         | CaCO3          | trigonal |\r\n"
                             "| CALCITE         | duplicate      | trigonal |\r\n"
                             "| MAGNETITE       | Fe2+ Fe3+ 2 O4 | cubic |\r\n"
                             "| NATIVE COPPER   | Cu             | cubic |\r\n"
                             "| QUARTZ          | SiO2           | trigonal |\r\n"
                             "| RUTILE        e| TiO2           | tetragonal |\r\n"
                             "| \xC5KERMANITE     | Ca2MgSi2O7     | tetragonal |\r\n"
                             "| G\xD6TZENITE       | (Ca,Na)7Ti(Si2O7)2F3 | triclinic |\r\n"
                             "| \xC9LBAITE      | Na(Li,Al)3Al6(BO3)3Si6O18(OH)4 | trigonal |\r\n"
                             "| TALC            |                | monoclinic |\r\n"
                             "| E               | x              | none |\r\n";

} // namespace

class MineralLookupTest : public QObject {
    Q_OBJECT
private slots:
    void searchKey_data() {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("empty") << QByteArray() << QByteArray("| ");
        QTest::newRow("folded") << QByteArray("calc") << QByteArray("| CALC");
        QTest::newRow("cut at comma") << QByteArray("Calcite, var. X") << QByteArray("| CALCITE");
        QTest::newRow("leading space kept") << QByteArray(" calc") << QByteArray("|  CALC");
        QTest::newRow("swedish folded") << QByteArray("\xE5ker") << QByteArray("| \xC5KER");
        QTest::newRow("e acute not folded") << QByteArray("\xE9lb") << QByteArray("| \xE9LB");
    }
    void searchKey() {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, key);
        QCOMPARE(qbytes(mineralSearchKey(bytes(typed))), key);
    }

    // Lookups in the fixture listing.
    void lookup_data() {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("formula");
        QTest::newRow("prefix completes")
            << QByteArray("calc") << true << QByteArray("Calcioborit") << QByteArray("CaB2O4");
        QTest::newRow("longer prefix")
            << QByteArray("calcit") << true << QByteArray("Calcit") << QByteArray("CaCO3");
        QTest::newRow("variety after comma")
            << QByteArray("Calcite, var. X") << true << QByteArray("Calcit") << QByteArray("CaCO3");
        QTest::newRow("first occurrence wins")
            << QByteArray("CALCITE") << true << QByteArray("Calcit") << QByteArray("CaCO3");
        QTest::newRow("andalusite")
            << QByteArray("andalusite") << true << QByteArray("Andalusit") << QByteArray("Al2SiO5");
        QTest::newRow("quartz keeps its end")
            << QByteArray("qu") << true << QByteArray("Quartz") << QByteArray("SiO2");
        QTest::newRow("charges and spaces go")
            << QByteArray("magnetite") << true << QByteArray("Magnetit") << QByteArray("Fe2Fe32O4");
        QTest::newRow("spaces in the name go")
            << QByteArray("native") << true << QByteArray("Nativecopper") << QByteArray("Cu");
        QTest::newRow("completed spaced name not found again")
            << QByteArray("Nativecopper") << false << QByteArray() << QByteArray();
        QTest::newRow("small e before the bar goes")
            << QByteArray("rutile") << true << QByteArray("Rutil") << QByteArray("TiO2");
        QTest::newRow("capital A ring leads")
            << QByteArray("\xE5kerman") << true << QByteArray("\xC5kermanit")
            << QByteArray("Ca2MgSi2O7");
        QTest::newRow("O diaeresis inside")
            << QByteArray("g\xF6tz") << true << QByteArray("G\xF6tzenit")
            << QByteArray("(Ca,Na)7Ti(Si2O7)2F3");
        QTest::newRow("e acute does not match E acute")
            << QByteArray("\xE9lbaite") << false << QByteArray() << QByteArray();
        QTest::newRow("E acute matches itself")
            << QByteArray("\xC9lbaite") << true << QByteArray("\xC9lbait")
            << QByteArray("Na(Li,Al)3Al6(BO3)3Si6O18(OH)4");
        QTest::newRow("empty formula column")
            << QByteArray("talc") << true << QByteArray("Talc") << QByteArray();
        QTest::newRow("one letter E")
            << QByteArray("e") << true << QByteArray("E") << QByteArray("x");
        QTest::newRow("empty key takes the first entry")
            << QByteArray() << true << QByteArray("Andalusit") << QByteArray("Al2SiO5");
        QTest::newRow("leading space matches nothing")
            << QByteArray(" calcite") << false << QByteArray() << QByteArray();
        QTest::newRow("not in the listing")
            << QByteArray("unobtainium") << false << QByteArray() << QByteArray();
        QTest::newRow("typed text inside a name does not match")
            << QByteArray("lcite") << false << QByteArray() << QByteArray();
        QTest::newRow("bar in typed text")
            << QByteArray("calcite | c") << false << QByteArray() << QByteArray();
    }
    void lookup() {
        QFETCH(QByteArray, typed);
        QFETCH(bool, found);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, formula);
        const MineralLookupResult r = lookupMineral(bytes(kDatabase), bytes(typed));
        QCOMPARE(r.found, found);
        QCOMPARE(qbytes(r.name), name);
        if (found)
            QCOMPARE(qbytes(r.formula), formula);
    }

    // "Keep the final E of names": the English spelling, and only the final capital E
    // changes; the completed name finds its entry again.
    void keepFinalE_data() {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("swedish");
        QTest::addColumn<QByteArray>("english");
        QTest::newRow("calcite") << QByteArray("calcit") << QByteArray("Calcit")
                                 << QByteArray("Calcite");
        QTest::newRow("prefix") << QByteArray("andal") << QByteArray("Andalusit")
                                << QByteArray("Andalusite");
        QTest::newRow("small e marker still goes")
            << QByteArray("rutile") << QByteArray("Rutil") << QByteArray("Rutile");
        QTest::newRow("no final E")
            << QByteArray("qu") << QByteArray("Quartz") << QByteArray("Quartz");
        QTest::newRow("one letter E") << QByteArray("e") << QByteArray("E") << QByteArray("E");
        QTest::newRow("swedish letters fold either way")
            << QByteArray("\xE5ker") << QByteArray("\xC5kermanit") << QByteArray("\xC5kermanite");
    }
    void keepFinalE() {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, swedish);
        QFETCH(QByteArray, english);
        const std::string db = bytes(kDatabase);
        const MineralLookupResult plain = lookupMineral(db, bytes(typed));
        const MineralLookupResult kept = lookupMineral(db, bytes(typed), true);
        QCOMPARE(qbytes(plain.name), swedish);
        QCOMPARE(qbytes(kept.name), english);
        QCOMPARE(kept.formula, plain.formula);
        // Enter again on the English name finds the same entry.
        const MineralLookupResult again = lookupMineral(db, kept.name, true);
        QCOMPARE(qbytes(again.name), english);
        QCOMPARE(again.formula, plain.formula);
    }

    // Odd texts: the scans see only bars, never lines, and stop at the end of the text.
    void oddDatabase_data() {
        QTest::addColumn<QByteArray>("database");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("formula");
        QTest::newRow("empty text")
            << QByteArray() << QByteArray() << false << QByteArray() << QByteArray();
        QTest::newRow("no bars") << QByteArray("CALCITE CaCO3\r\n") << QByteArray("calc") << false
                                 << QByteArray() << QByteArray();
        QTest::newRow("bar without space") << QByteArray("|CALCITE|CaCO3|") << QByteArray() << false
                                           << QByteArray() << QByteArray();
        QTest::newRow("match in an earlier formula column")
            << QByteArray("| ARAGONITE | Ca(CO3) | orthorhombic |\r\n| CALCITE | CaCO3 |")
            << QByteArray("c") << true << QByteArray("Ca(co3)") << QByteArray("orthorhombic");
        QTest::newRow("entries written in lower case are not found")
            << QByteArray("| calcite | CaCO3 |") << QByteArray("calcite") << false << QByteArray()
            << QByteArray();
        QTest::newRow("empty name column")
            << QByteArray("| | X |") << QByteArray() << true << QByteArray() << QByteArray("X");
        QTest::newRow("name of spaces and a small e")
            << QByteArray("|   e| F |") << QByteArray() << true << QByteArray() << QByteArray("F");
        QTest::newRow("small e not right before the bar stays")
            << QByteArray("| FOOe | F |") << QByteArray("foo") << true << QByteArray("Fooe")
            << QByteArray("F");
        QTest::newRow("column over a line break keeps CR LF")
            << QByteArray("| QUARTZ\r\n| SiO2 |") << QByteArray("quartz") << true
            << QByteArray("Quartz\r\n") << QByteArray("SiO2");
        QTest::newRow("formula over a line break keeps CR LF")
            << QByteArray("| QUARTZ | SiO2\r\n| x |") << QByteArray("quartz") << true
            << QByteArray("Quartz") << QByteArray("SiO2\r\n");
        QTest::newRow("name at the end of the text")
            << QByteArray("| TALC | x |\r\n| QUARTZ") << QByteArray("quartz") << true
            << QByteArray("Quartz") << QByteArray();
        QTest::newRow("name and line break at the end")
            << QByteArray("| QUARTZ  \r\n") << QByteArray("q") << true << QByteArray("Quartz")
            << QByteArray();
        QTest::newRow("small e at the end closes like a bar")
            << QByteArray("| RUTILE e") << QByteArray("rut") << true << QByteArray("Rutil")
            << QByteArray();
        QTest::newRow("formula at the end of the text")
            << QByteArray("| QUARTZ | SiO2") << QByteArray("quartz") << true << QByteArray("Quartz")
            << QByteArray("SiO2");
        QTest::newRow("formula and line breaks at the end")
            << QByteArray("| QUARTZ | Si O2 \r\n\r\n") << QByteArray("quartz") << true
            << QByteArray("Quartz") << QByteArray("SiO2");
        QTest::newRow("key is the whole text") << QByteArray("| QUARTZ") << QByteArray("QUARTZ")
                                               << true << QByteArray("Quartz") << QByteArray();
        QTest::newRow("key runs past the end") << QByteArray("| QUART") << QByteArray("QUARTZ")
                                               << false << QByteArray() << QByteArray();
        QTest::newRow("key at the very end")
            << QByteArray("|x|\r\n| ") << QByteArray() << true << QByteArray() << QByteArray();
        QTest::newRow("only the key")
            << QByteArray("| ") << QByteArray() << true << QByteArray() << QByteArray();
        QTest::newRow("NUL and control bytes are characters")
            << QByteArray("| QU\0ARTZ | Si\x01O2 |", 19) << QByteArray("qu") << true
            << QByteArray("Qu\0artz", 7) << QByteArray("Si\x01O2");
    }
    void oddDatabase() {
        QFETCH(QByteArray, database);
        QFETCH(QByteArray, typed);
        QFETCH(bool, found);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, formula);
        const MineralLookupResult r = lookupMineral(bytes(database), bytes(typed));
        QCOMPARE(r.found, found);
        QCOMPARE(qbytes(r.name), name);
        if (found)
            QCOMPARE(qbytes(r.formula), formula);
    }

    void storeNeedsLoad() {
        QVERIFY(mineralStoreNeedsLoad(""));
        QVERIFY(!mineralStoreNeedsLoad("\r\n"));
    }

    // The real listing, when it is there: every entry's own name finds an entry whose name
    // in capitals starts with the typed name less its spaces, and the first entry is what
    // the empty key gives.
    void realDatabase() {
        const QString path = QStringLiteral(QLX_SOURCE_DIR "/data/athena.txt");
        if (!QFileInfo::exists(path))
            QSKIP("data/athena.txt is not in this tree");
        std::string text = test::readFile(path);
        QVERIFY(!text.empty());
        const MineralLookupResult first = lookupMineral(text, "");
        QVERIFY(first.found);
        int checked = 0;
        std::size_t at = 0;
        while ((at = text.find("\n| ", at)) != std::string::npos && checked < 2000) {
            at += 3;
            const std::size_t bar = text.find('|', at);
            if (bar == std::string::npos)
                break;
            std::string typed = text.substr(at, bar - at);
            while (!typed.empty() && (typed.back() == ' ' || typed.back() == 'e'))
                typed.pop_back();
            if (typed.empty() || typed.find_first_of("\r\n,") != std::string::npos)
                continue;
            const MineralLookupResult r = lookupMineral(text, typed);
            QVERIFY2(r.found, typed.c_str());
            QVERIFY2(!r.name.empty(), typed.c_str());
            // The completion is the typed name or a longer one, less a final E.
            std::string squeezed;
            for (char c : typed)
                if (c != ' ')
                    squeezed += c;
            const std::string upper = upperCaseText(r.name);
            const std::size_t common = std::min(upper.size(), squeezed.size());
            QVERIFY2(upper.compare(0, common, squeezed, 0, common) == 0, typed.c_str());
            QVERIFY(r.formula.find('+') == std::string::npos);
            QVERIFY(r.formula.find(' ') == std::string::npos);
            ++checked;
        }
        QVERIFY(checked > 0);
    }
};

QTEST_GUILESS_MAIN(MineralLookupTest)
#include "tst_mineral.moc"
