// The database read as entries: names compared whatever their case and diacritics, the
// hints for a name that is not there, and filling a list's empty infos with formulas.
#include <QtTest>

#include "stores/LineStore.h"
#include "stores/MineralDatabase.h"
#include "stores/MineralLookup.h"
#include "support/DataRows.h"

using namespace qlx;

namespace {

const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";

// A small listing with the IMA spelling in the third column where it has one.
const std::string kDatabase = "| BASTN\u00C4SITE-(CE)  | Ce(CO3)F      | Bastn\u00E4site-(Ce) |\r\n"
                              "| CALCITE          | Ca(CO3)       | Calcite |\r\n"
                              "| GYPSUM           | Ca(SO4)\u00B72H2O | Gypsum |\r\n"
                              "| MAGNETITE        | Fe2+Fe3+2O4   | Magnetite |\r\n"
                              "| NATIVE COPPER    | Cu            |\r\n"
                              "| QUARTZ           | SiO2          | wrong spelling |\r\n"
                              "| TALC             |               | Talc |\r\n";

std::vector<MineralEntry> entries() {
    return mineralEntries(kDatabase);
}

const std::vector<MineralEntry>& shipped() {
    static const std::vector<MineralEntry> e = [] {
        LineStore store;
        store.loadFromFile(kAthena);
        return mineralEntries(store.text());
    }();
    return e;
}

using TextRow = std::pair<QString, QString>;
using LookupRow = std::tuple<QString, bool, QString, QString>; // typed, keep E, name, formula
using FillRow = std::tuple<QString, QList<int>, QString, int, QStringList>;

} // namespace

class MineralDatabaseTest : public QObject {
    Q_OBJECT
private slots:
    void fold_data() {
        test::dataRows<TextRow>({
            {"small letters", {"calcite", "CALCITE"}},
            {"diaeresis", {"Bastn\u00E4site-(Ce)", "BASTNASITE-(CE)"}},
            {"capital with accent", {"\u00C9LBAITE", "ELBAITE"}},
            {"caron (outside the code page)", {"\u010Cejkaite", "CEJKAITE"}},
            {"ligature and sharp s", {"\u00E6 \u00DF \u00F8", "AE SS O"}},
            {"greek", {"Roselite-\u03B2", "ROSELITE-BETA"}},
            {"apostrophe", {"2N'2S", "2N2S"}},
            {"digits and signs stay", {"(Fe3+)\u00B7x", "(FE3+)\u00B7X"}},
        });
    }
    void fold() {
        QFETCH(TextRow, row);
        QCOMPARE(QString::fromStdString(foldName(row.first.toStdString())), row.second);
    }

    // The third column spells the name only when it folds to the same letters.
    void entriesAndSpellings() {
        const auto e = entries();
        QCOMPARE(e.size(), std::size_t(7));
        QCOMPARE(QString::fromStdString(e[0].labelName()), QString("Bastn\u00E4site-(Ce)"));
        QCOMPARE(e[2].formula, std::string("Ca(SO4)\u00B72H2O"));
        QCOMPARE(QString::fromStdString(e[4].labelName()), QString("Nativecopper"));
        QCOMPARE(QString::fromStdString(e[5].labelName()), QString("Quartz"));
        QVERIFY(e[5].spelling.empty());
    }

    void lookupSpelling_data() {
        test::dataRows<LookupRow>({
            {"spelling with its suffix", {"bastnasite", false, "Bastn\u00E4site-(Ce)", "Ce(CO3)F"}},
            {"typed with the diaeresis",
             {"BASTN\u00C4S", false, "Bastn\u00E4site-(Ce)", "Ce(CO3)F"}},
            {"final E left out", {"calc", false, "Calcit", "Ca(CO3)"}},
            {"final E kept", {"calc", true, "Calcite", "Ca(CO3)"}},
            {"spelling that is no spelling", {"quartz", false, "Quartz", "SiO2"}},
            {"no third column", {"native", false, "Nativecopper", "Cu"}},
            {"charges kept", {"magnetite", false, "Magnetit", "Fe2+Fe3+2O4"}},
        });
    }
    void lookupSpelling() {
        QFETCH(LookupRow, row);
        const auto [typed, keepE, name, formula] = row;
        const MineralLookupResult r = lookupMineral(kDatabase, typed.toStdString(), keepE);
        QVERIFY(r.found);
        QCOMPARE(QString::fromStdString(r.name), name);
        QCOMPARE(QString::fromStdString(r.formula), formula);
        // The completed name finds the same entry again; not one whose spaces completion
        // dropped (the listing's own rule, without a spelling column).
        if (!r.name.empty() && r.name != "Nativecopper")
            QCOMPARE(lookupMineral(kDatabase, r.name, keepE).name, r.name);
    }

    void exactEntry_data() {
        test::dataRows<TextRow>({
            {"as completed", {"Calcit", "Ca(CO3)"}},
            {"whole name, any case", {"CALCITE", "Ca(CO3)"}},
            {"without diacritics", {"bastnasite-(ce)", "Ce(CO3)F"}},
            {"spaces aside", {"Native Copper", "Cu"}},
            {"a prefix is not a match", {"Calci", ""}},
            {"a longer name is not a match", {"Calcites", ""}},
            {"empty", {"", ""}},
        });
    }
    void exactEntry() {
        QFETCH(TextRow, row);
        const auto e = entries();
        const MineralEntry* found = findExactEntry(e, row.first.toStdString());
        QCOMPARE(QString::fromStdString(found ? found->formula : ""), row.second);
    }

    void distance_data() {
        using Row = std::tuple<QString, QString, int>;
        test::dataRows<Row>({
            {"same", {"QUARTZ", "QUARTZ", 0}},
            {"one left out", {"RHODOCROSITE", "RHODOCHROSITE", 1}},
            {"swap is two", {"AB", "BA", 2}},
            {"from empty", {"", "ABC", 3}},
            {"characters, not bytes", {"\u00C4B", "AB", 1}},
        });
    }
    void distance() {
        using Row = std::tuple<QString, QString, int>;
        QFETCH(Row, row);
        const auto [a, b, d] = row;
        QCOMPARE(int(editDistance(a.toStdString(), b.toStdString())), d);
        QCOMPARE(int(editDistance(b.toStdString(), a.toStdString())), d);
    }

    // The hints on the shipped database.
    void hints_data() {
        test::dataRows<TextRow>({
            {"near miss", {"Rhodocrosite", "Did you mean Rhodochrosite?"}},
            {"group",
             {"apatite", "Apatite is a group: Fluorapatite, Hydroxylapatite, Chlorapatite"}},
            {"group in capitals",
             {"GARNET", "Garnet is a group: Almandine, Pyrope, Spessartine, Grossular, "
                        "Andradite, Uvarovite"}},
            {"nothing near", {"Unobtainium", ""}},
            {"empty", {"", ""}},
        });
    }
    void hints() {
        QFETCH(TextRow, row);
        LineStore groupsFile;
        groupsFile.loadFromFile(QLX_SOURCE_DIR "/data/mineral-groups.txt");
        const auto groups = parseMineralGroups(groupsFile.text());
        QCOMPARE(QString::fromStdString(notFoundHint(shipped(), groups, row.first.toStdString())),
                 row.second);
    }

    // Several near names: nearest first, at most three, joined with "or".
    void severalNearNames() {
        const auto names = nearestNames(shipped(), "Quarz");
        QVERIFY(!names.empty() && names.size() <= 3);
        QCOMPARE(names.front(), std::string("Quartz"));
        const std::string hint = notFoundHint(shipped(), {}, "Quarz");
        QVERIFY(hint.rfind("Did you mean Quartz", 0) == 0);
        if (names.size() > 1)
            QVERIFY(hint.find(" or ") != std::string::npos);
    }

    void groupsFile() {
        const auto groups =
            parseMineralGroups("# comment\r\nApatite: A, B ,C\r\n\r\nNo colon\r\nEmpty:\r\n");
        QCOMPARE(groups.size(), std::size_t(1));
        QCOMPARE(groups[0].species, (std::vector<std::string>{"A", "B", "C"}));
        QVERIFY(findGroup(groups, "APATITE, var. X"));
        QVERIFY(!findGroup(groups, "Apatit"));
    }

    // Filling: list text, selected lines (empty: all), the list after, filled, not found.
    void fill_data() {
        test::dataRows<FillRow>({
            {"empty infos filled",
             {"|Gypsum|Naica||\r\n|Calcit|Here||\r\n",
              {},
              "|Gypsum|Naica|Ca(SO4)\u00B72H2O|\r\n|Calcit|Here|Ca(CO3)|\r\n",
              2,
              {}}},
            {"an info is kept",
             {"|Gypsum|Naica|mine|\r\n|Quartz|X| |\r\n",
              {},
              "|Gypsum|Naica|mine|\r\n|Quartz|X|SiO2|\r\n",
              1,
              {}}},
            {"not found, once each",
             {"|Apatite|A||\r\n|apatite|B||\r\n|Unknown|C||\r\n",
              {},
              "|Apatite|A||\r\n|apatite|B||\r\n|Unknown|C||\r\n",
              0,
              {"Apatite", "Unknown"}}},
            {"only the selected lines",
             {"|Gypsum|a||\r\n|Gypsum|b||\r\n|Gypsum|c||",
              {0, 2},
              "|Gypsum|a|Ca(SO4)\u00B72H2O|\r\n|Gypsum|b||\r\n|Gypsum|c|Ca(SO4)\u00B72H2O|",
              2,
              {}}},
            {"rest of the line and odd lines kept; an unclosed info closed",
             {"note\r\n|Talc|x||tail\n|Magnetite|y||more|\n|Calcite|z|",
              {},
              "note\r\n|Talc|x||tail\n|Magnetite|y|Fe2+Fe3+2O4|more|\n|Calcite|z|Ca(CO3)|",
              2,
              {}}},
            {"empty mineral left alone", {"|||\r\n| |x||\r\n", {}, "|||\r\n| |x||\r\n", 0, {}}},
        });
    }
    void fill() {
        QFETCH(FillRow, row);
        const auto [list, selected, after, filled, notFound] = row;
        const auto e = entries();
        std::vector<std::size_t> lines(selected.begin(), selected.end());
        const FormulaFill f =
            fillEmptyFormulas(list.toStdString(), e, selected.isEmpty() ? nullptr : &lines);
        QCOMPARE(QString::fromStdString(f.listText), after);
        QCOMPARE(int(f.filled), filled);
        QStringList missing;
        for (const std::string& m : f.notFound)
            missing << QString::fromStdString(m);
        QCOMPARE(missing, notFound);
        // What a fill would do is what the count says; after it there is nothing left to do.
        if (selected.isEmpty()) {
            QCOMPARE(int(countFillableFormulas(list.toStdString(), e)), filled);
            QCOMPARE(int(countFillableFormulas(labelListRecords(list.toStdString()), e)), filled);
            QCOMPARE(int(countFillableFormulas(f.listText, e)), 0);
        }
    }

    void statusMessage() {
        QCOMPARE(missingFormulasMessage(0), std::string());
        QCOMPARE(missingFormulasMessage(1),
                 std::string("1 label has no formula: Sheet > Fill formulas from the database"));
        QCOMPARE(missingFormulasMessage(12),
                 std::string("12 labels have no formula: Sheet > Fill formulas from the database"));
    }
};

QTEST_GUILESS_MAIN(MineralDatabaseTest)
#include "tst_mineraldatabase.moc"
