// The shipped mineral database against the IMA list it is built from: every species is found
// by its full plain name, through the lookup the window runs and, for a few, through the
// window itself.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>
#include <vector>

#include "app/MainForm.h"
#include "platform/ErrorHandler.h"
#include "stores/DataFolder.h"
#include "stores/LineStore.h"
#include "stores/MineralLookup.h"
#include "stores/TextCase.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

const QString kCsv = QStringLiteral(QLX_SOURCE_DIR "/data-sources/ima-minerals-2022-02-28.csv");
const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";

struct Species {
    QString plainName;
    QString formula;
};

// The rows of the IMA export: quoted fields, "" for a quote inside one.
std::vector<Species> readImaList() {
    QFile file(kCsv);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    std::vector<QStringList> rows(1);
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back() << field;
            field.clear();
        } else if (c == '\n') {
            rows.back() << field;
            field.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            field += c;
        }
    }
    std::vector<Species> species;
    for (std::size_t i = 1; i < rows.size(); ++i) // the first row names the columns
        if (rows[i].size() == 4)
            species.push_back({rows[i][1], rows[i][2]});
    return species;
}

// The formula field a species' list formula comes out as: the database's notation (hydrate
// point, vacancy mark, ASCII signs), then without spaces and plus signs as the lookup reads it.
std::string expectedFormulaField(QString formula) {
    formula.replace(QString::fromUtf8("Â·"), QString::fromUtf8("·"))
        .replace(QChar(0x00B7), ".")
        .replace("[box]", "[]")
        .replace(QChar(0x2264), "<=")
        .replace(QChar(0x2248), "~")
        .replace(QChar(0x03A3), "Sum")
        .remove(' ')
        .remove('+');
    return formula.toStdString();
}

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
            // The completion is this species' own name, not a longer one it begins.
            QString squeezed = s.plainName;
            squeezed.remove(' ');
            QCOMPARE(QString::fromStdString(r.name),
                     QString::fromStdString(properCaseName(upperCaseText(squeezed.toStdString()))));
            QCOMPARE(r.formula, expectedFormulaField(s.formula));
        }
    }

    void wellKnownSpecies_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("formula");
        const auto row = [](const char* name, const char* typed, const char* completed,
                            const char* formula) {
            QTest::newRow(name) << typed << completed << formula;
        };
        // Literal answers for species that show each of the list's rewritings; every other
        // species is checked against the IMA list above.
        row("quartz", "quartz", "Quartz", "SiO2");
        row("calcite", "calcite", "Calcit", "Ca(CO3)");
        row("gypsum, hydrate", "gypsum", "Gypsum", "Ca(SO4).2H2O");
        row("magnetite, charges", "magnetite", "Magnetit", "Fe2Fe32O4");
        row("galena", "GALENA", "Galena", "PbS");
        row("gunterite, mis-encoded hydrate dot", "gunterite", "Gunterit", "Na4Ca[V10O28].20H2O");
        row("bastnasite, plain name", "bastnasite-(ce)", "Bastnasite-(ce)", "Ce(CO3)F");
        row("andorite IV, space", "Andorite IV", "Andoriteiv", "AgPbSb3S6");
        row("prefix: the first in order", "wulf", "Wulfenit", "PbMoO4");
    }
    void wellKnownSpecies() {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(QString, formula);
        LineStore database;
        database.loadFromFile(kAthena);
        const MineralLookupResult r = lookupMineral(database.text(), typed.toStdString());
        QVERIFY(r.found);
        QCOMPARE(QString::fromStdString(r.name), name);
        QCOMPARE(QString::fromStdString(r.formula), formula);
    }

    // A fresh window on the shipped database: the name and formula fields after Enter.
    void throughTheWindow_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("formula");
        const auto row = [](const char* name, const char* typed, const char* completed,
                            const char* formula) {
            QTest::newRow(name) << typed << completed << formula;
        };
        row("wulfenite", "Wulfenite", "Wulfenit", "PbMoO4");
        row("elbaite", "elbaite", "Elbait", "Na(Al1.5Li1.5)Al6(Si6O18)(BO3)3(OH)3(OH)");
        row("julgoldite, charge in the name", "julgoldite-(fe3+)", "Julgoldite-(fe3+)",
            "Ca2Fe3Fe32(Si2O7)(SiO4)O(OH).H2O");
    }
    void throughTheWindow() {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(QString, formula);
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
