#include <QtTest>

#include <string>

#include "stores/MineralLookup.h"
#include "support/Cp1252Rows.h"

using namespace qlx;
using qlx::test::bytes;
using qlx::test::qbytes;

namespace {

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
        const auto row = [](const char* name, QByteArray typed, QByteArray key) {
            QTest::newRow(name) << typed << key;
        };
        row("empty", "", "| ");
        row("folded", "calc", "| CALC");
        row("cut at comma", "Calcite, var. X", "| CALCITE");
        row("leading space kept", " calc", "|  CALC");
        row("swedish folded", "\xE5ker", "| \xC5KER");
        row("e acute not folded", "\xE9lb", "| \xE9LB");
    }
    void searchKey() {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, key);
        QCOMPARE(qbytes(mineralSearchKey(bytes(typed))), key);
    }

    // "Keep the final E of names": the English spelling, and only the final capital E
    // changes; the completed name finds its entry again.
    void keepFinalE_data() {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("swedish");
        QTest::addColumn<QByteArray>("english");
        const auto row = [](const char* name, QByteArray typed, QByteArray swedish,
                            QByteArray english) {
            QTest::newRow(name) << typed << swedish << english;
        };
        row("calcite", "calcit", "Calcit", "Calcite");
        row("prefix", "andal", "Andalusit", "Andalusite");
        row("small e marker still goes", "rutile", "Rutil", "Rutile");
        row("no final E", "qu", "Quartz", "Quartz");
        row("one letter E", "e", "E", "E");
        row("swedish letters fold either way", "\xE5ker", "\xC5kermanit", "\xC5kermanite");
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

    // Lookups in the fixture listing, and in odd texts: the scans see only bars, never lines,
    // and stop at the end of the text.
    void lookup_data() {
        QTest::addColumn<QByteArray>("database");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("formula");
        const auto row = [](const char* name, QByteArray database, QByteArray typed, bool found,
                            QByteArray completed, QByteArray formula) {
            QTest::newRow(name) << database << typed << found << completed << formula;
        };
        const auto fixture = [&row](const char* name, QByteArray typed, bool found,
                                    QByteArray completed, QByteArray formula) {
            row(name, kDatabase, typed, found, completed, formula);
        };
        fixture("prefix completes", "calc", true, "Calcioborit", "CaB2O4");
        fixture("longer prefix", "calcit", true, "Calcit", "CaCO3");
        fixture("variety after comma", "Calcite, var. X", true, "Calcit", "CaCO3");
        fixture("first occurrence wins", "CALCITE", true, "Calcit", "CaCO3");
        fixture("andalusite", "andalusite", true, "Andalusit", "Al2SiO5");
        fixture("quartz keeps its end", "qu", true, "Quartz", "SiO2");
        fixture("spaces go, charges stay", "magnetite", true, "Magnetit", "Fe2+Fe3+2O4");
        fixture("spaces in the name go", "native", true, "Nativecopper", "Cu");
        fixture("completed spaced name not found again", "Nativecopper", false, "", "");
        fixture("small e before the bar goes", "rutile", true, "Rutil", "TiO2");
        fixture("capital A ring leads", "\xE5kerman", true, "\xC5kermanit", "Ca2MgSi2O7");
        fixture("O diaeresis inside", "g\xF6tz", true, "G\xF6tzenit", "(Ca,Na)7Ti(Si2O7)2F3");
        // Any case, with or without diacritics: the name column's spelling comes back.
        fixture("e acute finds E acute", "\xE9lbaite", true, "\xC9lbait",
                "Na(Li,Al)3Al6(BO3)3Si6O18(OH)4");
        fixture("without diacritics", "elbaite", true, "\xC9lbait",
                "Na(Li,Al)3Al6(BO3)3Si6O18(OH)4");
        fixture("o for o diaeresis", "gotz", true, "G\xF6tzenit", "(Ca,Na)7Ti(Si2O7)2F3");
        fixture("a for A ring, first letter", "akerm", true, "\xC5kermanit", "Ca2MgSi2O7");
        fixture("E acute matches itself", "\xC9lbaite", true, "\xC9lbait",
                "Na(Li,Al)3Al6(BO3)3Si6O18(OH)4");
        fixture("empty formula column", "talc", true, "Talc", "");
        fixture("one letter E", "e", true, "E", "x");
        fixture("empty key takes the first entry", "", true, "Andalusit", "Al2SiO5");
        fixture("leading space matches nothing", " calcite", false, "", "");
        fixture("not in the listing", "unobtainium", false, "", "");
        fixture("typed text inside a name does not match", "lcite", false, "", "");
        fixture("bar in typed text", "calcite | c", false, "", "");
        row("empty text", "", "", false, "", "");
        row("no bars", "CALCITE CaCO3\r\n", "calc", false, "", "");
        row("bar without space", "|CALCITE|CaCO3|", "", false, "", "");
        row("match in an earlier formula column",
            "| ARAGONITE | Ca(CO3) | orthorhombic |\r\n| CALCITE | CaCO3 |", "c", true, "Ca(co3)",
            "orthorhombic");
        row("entries written in lower case are not found", "| calcite | CaCO3 |", "calcite", false,
            "", "");
        row("empty name column", "| | X |", "", true, "", "X");
        row("name of spaces and a small e", "|   e| F |", "", true, "", "F");
        row("small e not right before the bar stays", "| FOOe | F |", "foo", true, "Fooe", "F");
        row("column over a line break keeps CR LF", "| QUARTZ\r\n| SiO2 |", "quartz", true,
            "Quartz\r\n", "SiO2");
        row("formula over a line break keeps CR LF", "| QUARTZ | SiO2\r\n| x |", "quartz", true,
            "Quartz", "SiO2\r\n");
        row("name at the end of the text", "| TALC | x |\r\n| QUARTZ", "quartz", true, "Quartz",
            "");
        row("name and line break at the end", "| QUARTZ  \r\n", "q", true, "Quartz", "");
        row("small e at the end closes like a bar", "| RUTILE e", "rut", true, "Rutil", "");
        row("formula at the end of the text", "| QUARTZ | SiO2", "quartz", true, "Quartz", "SiO2");
        row("formula and line breaks at the end", "| QUARTZ | Si O2 \r\n\r\n", "quartz", true,
            "Quartz", "SiO2");
        row("key is the whole text", "| QUARTZ", "QUARTZ", true, "Quartz", "");
        row("key runs past the end", "| QUART", "QUARTZ", false, "", "");
        row("key at the very end", "|x|\r\n| ", "", true, "", "");
        row("only the key", "| ", "", true, "", "");
        row("NUL and control bytes are characters", QByteArray("| QU\0ARTZ | Si\x01O2 |", 19), "qu",
            true, QByteArray("Qu\0artz", 7), "Si\x01O2");
    }
    void lookup() {
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
};

QTEST_GUILESS_MAIN(MineralLookupTest)
#include "tst_mineral.moc"
