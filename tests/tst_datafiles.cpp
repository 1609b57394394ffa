#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include "stores/LineStore.h"
#include "stores/Windows1252.h"

using namespace qlx;

namespace {

const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";

} // namespace

class DataFilesTest : public QObject {
    Q_OBJECT
private slots:
    // Every line is one entry in the listing format, names in capitals, in byte order, and
    // nothing outside ASCII (the list's few other signs are spelt in ASCII).
    void athenaListing() {
        LineStore store;
        store.loadFromFile(kAthena);
        QVERIFY(store.text().size() >= 2 && store.text().substr(store.text().size() - 2) == "\r\n");
        const QRegularExpression entry(QString::fromUtf8(
            R"(^\| ([A-Z][A-Z0-9()+\- ]*[A-Z0-9)]) +\| ([^| ](?:[^|]*[^| ])?) +\|$)"));
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

    void localityCacheStartsEmpty() {
        const QFileInfo cache(QLX_SOURCE_DIR "/data/cachedloc.txt");
        QVERIFY(cache.isFile());
        QCOMPARE(cache.size(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(DataFilesTest)
#include "tst_datafiles.moc"
