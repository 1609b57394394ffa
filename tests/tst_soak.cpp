#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include "metafile/EmfRecorder.h"
#include "metafile/Metafile.h"
#include "pagestore/PageStore.h"
#include "pictures/Picture.h"
#include "support/FakeEmf.h"
#include "support/TestSupport.h"

using namespace qlx;

// Long runs of the same work must not leave anything behind: no open files, no temporary
// page files, no memory that grows with the number of runs.
namespace {

// Enough rounds that keeping half of what one round handles would show, few enough to be quick:
// after the warm-up, resident memory does not move by a page over these rounds.
constexpr int kRounds = 40;
// The rounds that warm caches (fonts, image plugins, allocator pools) before counting starts.
constexpr int kWarmUp = 10;

int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

int temporaryPageFiles() {
    return int(QDir(QDir::tempPath()).entryList({"LFP*"}, QDir::Files | QDir::Hidden).size());
}

qint64 residentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Under AddressSanitizer freed memory is held back in quarantine, so resident memory grows
// whatever the code does; the leak checker covers that build instead.
constexpr bool kMemoryIsMeasurable =
#if defined(__SANITIZE_ADDRESS__)
    false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    false;
#else
    true;
#endif
#else
    true;
#endif

// What the process holds at one moment.
struct Footprint {
    int descriptors = openDescriptors();
    int pageFiles = temporaryPageFiles();
    qint64 residentKiB = ::residentKiB();
};

} // namespace

class SoakTest : public QObject {
    Q_OBJECT
private slots:
    // The temporary page files are counted in a folder of this test's own, so that other
    // tests running beside it cannot change the count.
    void initTestCase() {
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        QCOMPARE(QDir::tempPath(), QDir::cleanPath(m_temp.path()));
    }
    // Each round runs one piece of work; after the warm-up nothing may grow, and memory less
    // than half of what one round handles (its pages, or its 64 x 48 canvas) per round.
    void noGrowth_data() {
        QTest::addColumn<QString>("work");
        QTest::addColumn<qint64>("roundKiB");
        QTest::newRow("report saved and loaded, in memory") << "report-small" << qint64(8);
        QTest::newRow("report saved and loaded, temporary file") << "report-large" << qint64(146);
        QTest::newRow("bitmap loaded, copied, drawn") << "bmp" << qint64(12);
        QTest::newRow("palette bitmap loaded, copied, drawn") << "palette" << qint64(12);
        QTest::newRow("icon loaded, copied, drawn") << "ico" << qint64(12);
        QTest::newRow("metafile recorded, read and played") << "metafile" << qint64(12);
    }
    void noGrowth() {
        QFETCH(QString, work);
        QFETCH(qint64, roundKiB);
        const qint64 memoryBoundKiB = (kRounds - kWarmUp) * roundKiB / 2;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::function<void(int)> round = roundFor(work, dir.path());
        QVERIFY(round);

        const Footprint atStart;
        for (int i = 0; i < kWarmUp && !QTest::currentTestFailed(); ++i)
            round(i);
        const Footprint warm;
        for (int i = kWarmUp; i < kRounds && !QTest::currentTestFailed(); ++i)
            round(i);
        if (QTest::currentTestFailed())
            return;
        const Footprint atEnd;

        QCOMPARE(atEnd.descriptors, warm.descriptors);
        QCOMPARE(atEnd.pageFiles, atStart.pageFiles);
        if (kMemoryIsMeasurable) {
            QVERIFY(warm.residentKiB > 0);
            const qint64 growth = atEnd.residentKiB - warm.residentKiB;
            QVERIFY2(growth <= memoryBoundKiB,
                     qPrintable(QString("resident memory grew by %1 KiB").arg(growth)));
        }
    }

private:
    QTemporaryDir m_temp;

    std::function<void(int)> roundFor(const QString& work, const QString& folder) {
        if (work == "report-small")
            return [folder](int i) {
                reportRound(folder, i, {3000, 5000});
            };
        if (work == "report-large") // past the stream's in-memory limit: a temporary file
            return [folder](int i) {
                reportRound(folder, i, {60000, 50000, 40000});
            };
        const QMap<QString, QString> pictures{
            {"bmp", "rgb4x3.bmp"}, {"palette", "palette5x2.bmp"}, {"ico", "two.ico"}};
        if (pictures.contains(work))
            return [path = QString(QLX_TEST_DATA) + "/pictures/" + pictures[work]](int) {
                pictureRound(path);
            };
        if (work == "metafile")
            return [](int i) {
                metafileRound(i);
            };
        return {};
    }

    // One report made, saved (replacing the last round's file), loaded into a second store
    // and its last page read back.
    static void reportRound(const QString& folder, int round, const QList<int>& sizes) {
        const QString path = folder + "/soak.lfp";
        QByteArray last;
        {
            PageStore store(PageDestination::Pictures);
            for (int i = 0; i < sizes.size(); ++i) {
                last = test::fakeEmf(sizes[i], quint32(round * 16 + i));
                store.addPage(last);
            }
            store.finish();
            store.saveToFile(path);
        }
        PageStore loaded(PageDestination::Pictures);
        loaded.loadFromFile(path);
        if (loaded.pageCount() != sizes.size() || loaded.readPage(int(sizes.size())) != last)
            QFAIL("the loaded report differs from the saved one");
    }

    // One picture loaded, copied, the copy drawn on, both drawn.
    static void pictureRound(const QString& path) {
        const Picture picture = Picture::fromFile(path);
        Picture copy = picture;
        QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        picture.draw(painter, QRect(0, 0, 32, 24));
        if (copy.isBitmap()) {
            QPainter onCopy(&copy.bitmapForDrawing());
            onCopy.fillRect(QRect(0, 0, 2, 2), Qt::red);
        }
        copy.draw(painter, QRect(32, 24, 32, 24));
    }

    // One page recorded as an enhanced metafile, read back from its bytes and played.
    static void metafileRound(int round) {
        EmfRecorder recorder(QSize(200, 120));
        {
            QPainter painter(&recorder);
            painter.drawRect(10, 10, 100, 50);
            painter.drawEllipse(QRect(60, 40, 80, 60));
            painter.drawText(QPoint(20, 100), QString("Quartz %1").arg(round));
        }
        const Metafile recorded = recorder.finish();
        const Metafile m = Metafile::fromBytes(recorded.bytes());
        QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        m.play(painter, QRectF(0, 0, 64, 48));
    }
};

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
