#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include "stores/LineStore.h"
#include "stores/MineralDatabase.h"
#include "stores/Windows1252.h"

using namespace qlx;

namespace {

const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";

} // namespace

class DataFilesTest : public QObject {
    Q_OBJECT
private slots:
    // Every line is one entry in the listing format: the name in capitals, the formula, and
    // the name as the IMA spells it, which folds to the same letters. Lines are in the order
    // of the names without their diacritics, so a name comes before every longer one it
    // begins. Outside ASCII there are only the names' letters and the hydrate dot.
    void athenaListing() {
        LineStore store;
        store.loadFromFile(kAthena);
        QVERIFY(store.text().size() >= 2 && store.text().substr(store.text().size() - 2) == "\r\n");
        const QRegularExpression entry(QString::fromUtf8(
            R"(^\| ([A-Z\x{C0}-\x{DE}\x{160}\x{17D}\x{178}][^a-z|]*[^ |]) +\| ([^| ](?:[^|]*[^| ])?) +\| ([^|]+) \|$)"));
        std::string previous;
        for (int i = 0; i < store.count(); ++i) {
            const std::string line = store.line(i);
            const auto m = entry.match(QString::fromStdString(line));
            QVERIFY2(m.hasMatch(), line.c_str());
            const QString name = m.captured(1);
            for (QChar c : name)
                QVERIFY2(c == c.toUpper(), line.c_str());
            const QString formula = m.captured(2);
            for (QChar c : formula)
                QVERIFY2(c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() == 0xB7),
                         line.c_str());
            QCOMPARE(foldName(m.captured(3).remove(' ').toStdString()),
                     foldName(QString(name).remove(' ').toStdString()));
            const std::string key = foldName(name.toStdString());
            QVERIFY2(previous < key, key.c_str());
            previous = key;
            // The list's one unbalanced formula is kept as the list writes it.
            if (name == "ZABINSKIITE")
                continue;
            QCOMPARE(formula.count('('), formula.count(')'));
            QCOMPARE(formula.count('['), formula.count(']'));
        }
    }

    // The groups file names species the database has.
    void groupsNameSpecies() {
        LineStore database;
        database.loadFromFile(kAthena);
        const std::vector<MineralEntry> entries = mineralEntries(database.text());
        LineStore groupsFile;
        groupsFile.loadFromFile(QLX_SOURCE_DIR "/data/mineral-groups.txt");
        const std::vector<MineralGroup> groups = parseMineralGroups(groupsFile.text());
        QVERIFY(groups.size() >= 10);
        for (const char* name : {"Apatite", "Garnet", "Tourmaline", "Feldspar", "Mica", "Amphibole",
                                 "Pyroxene", "Chlorite", "Serpentine", "Zeolite"})
            QVERIFY2(findGroup(groups, name), name);
        for (const MineralGroup& g : groups) {
            QVERIFY2(!findExactEntry(entries, g.name), g.name.c_str());
            for (const std::string& species : g.species) {
                const MineralEntry* e = findExactEntry(entries, species);
                QVERIFY2(e, species.c_str());
                QCOMPARE(e->labelName(), species);
            }
        }
    }

    void localityCacheStartsEmpty() {
        const QFileInfo cache(QLX_SOURCE_DIR "/data/cachedloc.txt");
        QVERIFY(cache.isFile());
        QCOMPARE(cache.size(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(DataFilesTest)
#include "tst_datafiles.moc"
