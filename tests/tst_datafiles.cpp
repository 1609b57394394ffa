#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include <set>

#include "stores/LineStore.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"

using namespace qlx;

namespace {

const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";

std::string columnAfter(const std::string& text, const std::string& key) {
    const size_t at = text.find(key);
    if (at == std::string::npos)
        return "not found";
    const size_t bar = text.find('|', at + 2);
    const size_t end = text.find('|', bar + 1);
    std::string formula;
    for (char c : text.substr(bar + 1, end - bar - 1))
        if (c != ' ' && c != '+')
            formula += c;
    return formula;
}

} // namespace

class DataFilesTest : public QObject {
    Q_OBJECT
private slots:
    // Every line is one entry in the listing format, names in capitals, in byte order, and
    // nothing outside ASCII (the list's few other signs are spelt in ASCII).
    void athenaListing() {
        LineStore store;
        store.loadFromFile(kAthena);
        QCOMPARE(store.count(), 5763);
        QVERIFY(store.text().size() >= 2 && store.text().substr(store.text().size() - 2) == "\r\n");
        const QRegularExpression entry(QString::fromUtf8(
            R"(^\| ([A-Z][A-Z0-9()+\- ]*[A-Z0-9)]) +\| ([^| ](?:[^|]*[^| ])?) +\|$)"));
        std::set<std::string> names;
        std::string previous;
        for (int i = 0; i < store.count(); ++i) {
            const std::string line = store.line(i);
            for (unsigned char c : line)
                QVERIFY2(c >= 0x20 && c < 0x7F, line.c_str());
            const auto m = entry.match(QString::fromStdString(cp1252::toUtf8(line)));
            QVERIFY2(m.hasMatch(), line.c_str());
            const std::string name = cp1252::fromUtf8(m.captured(1).toStdString());
            QVERIFY2(previous < name, name.c_str());
            previous = name;
            const QString formula = m.captured(2);
            // The list's one unbalanced formula is kept as the list writes it.
            if (name == "ZABINSKIITE")
                continue;
            QCOMPARE(formula.count('('), formula.count(')'));
            QCOMPARE(formula.count('['), formula.count(']'));
        }
    }

    // What the mineral lookup will find for some well-known entries.
    void knownFormulas_data() {
        QTest::addColumn<std::string>("key");
        QTest::addColumn<std::string>("formula");
        QTest::newRow("calcite") << std::string("| CALCITE") << std::string("Ca(CO3)");
        QTest::newRow("quartz") << std::string("| QUARTZ") << std::string("SiO2");
        QTest::newRow("fluorite") << std::string("| FLUORITE") << std::string("CaF2");
        QTest::newRow("pyrite") << std::string("| PYRITE") << std::string("FeS2");
        QTest::newRow("galena") << std::string("| GALENA") << std::string("PbS");
        QTest::newRow("gypsum") << std::string("| GYPSUM") << std::string("Ca(SO4).2H2O");
        QTest::newRow("malachite") << std::string("| MALACHITE") << std::string("Cu2(CO3)(OH)2");
        QTest::newRow("beryl") << std::string("| BERYL ") << std::string("Be3Al2Si6O18");
        QTest::newRow("magnetite, charges")
            << std::string("| MAGNETITE") << std::string("Fe2Fe32O4");
        QTest::newRow("plain name") << std::string("| LOLLINGITE") << std::string("FeAs2");
        QTest::newRow("vacancy") << std::string("| ROSSMANITE")
                                 << std::string("[](Al2Li)Al6(Si6O18)(BO3)3(OH)3(OH)");
    }
    void knownFormulas() {
        QFETCH(std::string, key);
        QFETCH(std::string, formula);
        LineStore store;
        store.loadFromFile(kAthena);
        QCOMPARE(columnAfter(store.text(), key), formula);
    }

    void localityCacheStartsEmpty() {
        const QFileInfo cache(QLX_SOURCE_DIR "/data/cachedloc.txt");
        QVERIFY(cache.isFile());
        QCOMPARE(cache.size(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(DataFilesTest)
#include "tst_datafiles.moc"
