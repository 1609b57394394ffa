// The shipped mineral database against the IMA list it is built from: every species is found
// by its full plain name, through the lookup the window runs and, for a few, through the
// window itself.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <vector>

#include "app/MainForm.h"
#include "stores/CsvList.h"
#include "stores/DataFolder.h"
#include "stores/LineStore.h"
#include "stores/MineralDatabase.h"
#include "stores/MineralLookup.h"
#include "stores/TextCase.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"

using namespace qlx;

namespace {

const QString kCsv = QStringLiteral(QLX_SOURCE_DIR "/data-sources/ima-minerals-2022-02-28.csv");
const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";

struct Species {
    QString plainName;
    QString formula;
};

// The rows of the IMA export, read by the label list's CSV reader with its header renamed:
// the plain name as the mineral, the formula as the info.
std::vector<Species> readImaList() {
    std::string bytes = test::readFile(kCsv);
    bytes.replace(0, bytes.find('\n'), "Name,Mineral,Info,Locality");
    const std::string list = csv::listTextFromCsv(bytes, kCsv.toStdString());
    std::vector<Species> species;
    for (const QString& line : QString::fromStdString(list).split("\r\n", Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('|'); // "|mineral|locality|info|"
        if (fields.size() == 5)
            species.push_back({fields[1], fields[3]});
    }
    return species;
}

// The formula field a species' list formula comes out as: the IMA notation with the
// database's few changes (the stray byte before one hydrate dot, the italics tags, the note
// after the formula, site totals, the vacancy mark, two signs in ASCII), without spaces.
std::string expectedFormulaField(QString formula) {
    formula.replace(QString::fromUtf8("Â·"), QString::fromUtf8("·"))
        .remove("<i>")
        .remove("</i>")
        .remove(QRegularExpression(QString::fromUtf8("Σ=?[0-9.]+")))
        .replace("[box]", "[]");
    // A note starts after "; " or ", ", or at the first space before a bracket or before a
    // condition.
    formula = formula.section("; ", 0, 0).section(", ", 0, 0);
    const QRegularExpression note(QString::fromUtf8(" (?=[(\\[]|.*[≈≤<>=~]).*$"));
    formula.remove(note);
    formula.replace(QChar(0x2264), "<=").replace(QChar(0x2248), "~").remove(' ');
    return formula.toStdString();
}

using LookupRow = std::tuple<QString, QString, QString>; // typed, completed name, formula

} // namespace

class MineralListTest : public QObject {
    Q_OBJECT
private slots:
    void everySpeciesIsFoundByItsName() {
        const std::vector<Species> species = readImaList();
        QCOMPARE(species.size(), std::size_t(5763));
        LineStore database;
        database.loadFromFile(kAthena);
        QCOMPARE(database.count(), 5763);
        for (const Species& s : species) {
            const std::string typed = s.plainName.toStdString();
            const MineralLookupResult r = lookupMineral(database.text(), typed);
            QVERIFY2(r.found, typed.c_str());
            // The completion is this species' own name, not a longer one it begins, in the
            // IMA's spelling (diacritics, the case of a suffix).
            const MineralLookupResult english = lookupMineral(database.text(), typed, true);
            QString squeezed = s.plainName;
            squeezed.remove(' ');
            QString spelled = QString::fromStdString(english.name);
            spelled.remove(' ');
            QCOMPARE(QString::fromStdString(foldName(spelled.toStdString())),
                     QString::fromStdString(foldName(squeezed.toStdString())));
            QVERIFY(english.name.rfind(r.name, 0) == 0);
            QCOMPARE(r.formula, expectedFormulaField(s.formula));
        }
    }

    void wellKnownSpecies_data() {
        // Literal answers for species that show each of the list's rewritings; every other
        // species is checked against the IMA list above.
        test::dataRows<LookupRow>({
            {"quartz", {"quartz", "Quartz", "SiO2"}},
            {"calcite", {"calcite", "Calcit", "Ca(CO3)"}},
            {"gypsum, hydrate", {"gypsum", "Gypsum", "Ca(SO4)\u00B72H2O"}},
            {"magnetite, charges", {"magnetite", "Magnetit", "Fe2+Fe3+2O4"}},
            {"galena", {"GALENA", "Galena", "PbS"}},
            {"gunterite, mis-encoded hydrate dot",
             {"gunterite", "Gunterit", "Na4Ca[V10O28]\u00B720H2O"}},
            {"bastnasite, plain name", {"bastnasite-(ce)", "Bastn\u00E4site-(Ce)", "Ce(CO3)F"}},
            {"bastnaesite, IMA name", {"BASTN\u00C4SITE", "Bastn\u00E4site-(Ce)", "Ce(CO3)F"}},
            {"rosiéresite, e grave typed small",
             {"rosi\u00E8resite", "Rosi\u00E8resit", "[Pb,Cu,Al,PO4,H2O]"}},
            {"andorite IV, space", {"Andorite IV", "Andorite IV", "AgPbSb3S6"}},
            {"algodonite, note left out", {"algodonite", "Algodonit", "Cu1-xAsx"}},
            {"posepnyite, site totals left out",
             {"posepnyite", "Po\u0161epn\u00FDit", "(Cu+3+x[]3-x)(Hg2+4-xCu+2+x)Sb4(Se12.5[]0.5)"}},
            {"prefix: the first in order", {"wulf", "Wulfenit", "PbMoO4"}},
        });
    }
    void wellKnownSpecies() {
        QFETCH(LookupRow, row);
        const auto [typed, name, formula] = row;
        LineStore database;
        database.loadFromFile(kAthena);
        const MineralLookupResult r = lookupMineral(database.text(), typed.toStdString());
        QVERIFY(r.found);
        QCOMPARE(QString::fromStdString(r.name), name);
        QCOMPARE(QString::fromStdString(r.formula), formula);
    }

    // A fresh window on the shipped database: the name and formula fields after Enter.
    void throughTheWindow_data() {
        test::dataRows<LookupRow>({
            {"wulfenite", {"Wulfenite", "Wulfenit", "PbMoO4"}},
            {"elbaite", {"elbaite", "Elbait", "Na(Al1.5Li1.5)Al6(Si6O18)(BO3)3(OH)3(OH)"}},
            {"julgoldite, charge in the name",
             {"julgoldite-(fe3+)", "Julgoldite-(Fe3+)", "Ca2Fe3+Fe3+2(Si2O7)(SiO4)O(OH)\u00B7H2O"}},
        });
    }
    void throughTheWindow() {
        QFETCH(LookupRow, row);
        const auto [typed, name, formula] = row;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::copy(QString::fromStdString(kAthena), dir.path() + "/athena.txt"));
        setDataFolderPrefixForTests(dir.path().toStdString() + "/");
        test::MessageBoxCatcher boxes;
        {
            MainForm form;
            auto* mineral = test::child<QLineEdit>(form, "Edit7");
            mineral->setText(typed);
            QTest::keyClick(mineral, Qt::Key_Return);
            QCOMPARE(mineral->text(), name);
            QCOMPARE(test::child<QLineEdit>(form, "Edit4")->text(), formula);
            QCOMPARE(test::child<QLineEdit>(form, "Edit5")->text(), formula);
        }
        setDataFolderPrefixForTests(std::nullopt);
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
    }
};

QTEST_MAIN(MineralListTest)
#include "tst_minerallist.moc"
