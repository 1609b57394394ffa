// Well-formed metafiles that claim far more than they are drawn at: each is drawn or refused
// within a bounded time, and the decoded-bitmap cache keeps to its budget.
#include <QImage>
#include <QPainter>
#include <QTest>

#include "HostileInputs.h"
#include "metafile/BitmapCache.h"
#include "metafile/Metafile.h"
#include "metafile/MetafileLimits.h"
#include "stores/Error.h"
#include "support/CpuClock.h"

using namespace qlx;

namespace {

QImage canvas(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class PlaybackBudgetTest : public QObject {
    Q_OBJECT

private slots:
    // Each input is read and played at a small size within the time, or refused with a
    // message naming the count it exceeds.
    void drawnOrRefusedInTime_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal"); // empty: drawn
        const int points = int(metafile_limits::kMaxPointsPerRecord);
        QTest::newRow("clip path, 40,000 px frame")
            << hostile::emfClipPathOnHugeFrame(40000) << QString();
        QTest::newRow("clip path, 65,535 px frame")
            << hostile::emfClipPathOnHugeFrame(65535) << QString();
        QTest::newRow("object table churn") << hostile::wmfObjectChurn(65535, 20000) << QString();
        QTest::newRow("polygon at the point limit") << hostile::emfPolygon(points) << QString();
        QTest::newRow("polygon beyond the point limit")
            << hostile::emfPolygon(points + 1) << QString("holds more than 100000 points");
    }
    void drawnOrRefusedInTime() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        // Processor time: the budget is for the work, however busy the machine.
        const test::CpuClock clock;
        try {
            const Metafile picture = Metafile::fromBytes(bytes);
            QVERIFY2(refusal.isEmpty(), "a file beyond a limit was accepted");
            QImage image = canvas(300);
            QPainter painter(&image);
            QVERIFY(picture.play(painter, QRectF(0, 0, 300, 300)));
        } catch (const Error& e) {
            QVERIFY2(!refusal.isEmpty(), e.what());
            QVERIFY2(QString(e.what()).contains(refusal), e.what());
        }
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed()) + " ms"));
    }

    // The clip path made at the drawn size still clips: inside the ellipse is red, the
    // corners stay white.
    void clipPathClipsAtTheDrawnSize_data() {
        QTest::addColumn<int>("frame");
        QTest::newRow("small frame") << 200;
        QTest::newRow("huge frame") << 40000;
    }
    void clipPathClipsAtTheDrawnSize() {
        QFETCH(int, frame);
        const Metafile picture = Metafile::fromBytes(hostile::emfClipPathOnHugeFrame(frame));
        QImage image = canvas(120);
        {
            QPainter painter(&image);
            painter.translate(10, 10);
            picture.play(painter, QRectF(0, 0, 100, 100));
        }
        QCOMPARE(image.pixelColor(60, 60), QColor(Qt::red));
        QCOMPARE(image.pixelColor(13, 13), QColor(Qt::white));
        QCOMPARE(image.pixelColor(107, 107), QColor(Qt::white));
        QCOMPARE(image.pixelColor(5, 60), QColor(Qt::white)); // outside the target
    }

    // A bitmap that cannot be decoded leaves a gap and says so; what follows it is drawn.
    void undecodableBitmapIsReportedAndTheRestDrawn() {
        const Metafile picture = Metafile::fromBytes(hostile::emfBrokenPngThenRectangle());
        QImage image = canvas(100);
        QPainter painter(&image);
        std::string problem;
        QVERIFY(!picture.play(painter, QRectF(0, 0, 100, 100), &problem));
        painter.end();
        QVERIFY2(QString::fromStdString(problem).contains("cannot be read"), problem.c_str());
        QCOMPARE(image.pixelColor(70, 70), QColor(Qt::red));
    }

    // Decoded bitmaps stay within the cache's budget, are found again by the next playback,
    // and go when the picture goes.
    void bitmapCacheKeepsItsBudget() {
        BitmapCache& cache = BitmapCache::instance();
        const qint64 before = cache.bytes();
        {
            // Eight bitmaps of 9 MB each: more than the budget (64 MiB) together.
            const Metafile picture = Metafile::fromBytes(hostile::emfEmbeddedPngs(8, 1500));
            QImage image = canvas(200);
            QPainter painter(&image);
            QVERIFY(picture.play(painter, QRectF(0, 0, 200, 200)));
            QVERIFY(cache.bytes() <= BitmapCache::kByteBudget);
            QVERIFY(cache.bytes() > before);
            const Metafile small = Metafile::fromBytes(hostile::emfEmbeddedPngs(2, 64));
            QVERIFY(small.play(painter, QRectF(0, 0, 200, 200)));
            const size_t entries = cache.entries();
            QVERIFY(small.play(painter, QRectF(0, 0, 200, 200)));
            QCOMPARE(cache.entries(), entries); // found, not decoded and added again
        }
        QCOMPARE(cache.bytes(), before);
    }

    // Least recently used entries go first; one larger than the budget is never kept.
    void bitmapCacheEvictsTheLeastRecentlyUsed() {
        BitmapCache& cache = BitmapCache::instance();
        const uint64_t owner = cache.newOwner();
        const int side = 2048; // 16 MiB as 32-bit pixels: four fill the budget
        QImage tile(side, side, QImage::Format_RGB32);
        tile.fill(Qt::gray);
        for (uint64_t key = 1; key <= 4; ++key)
            cache.insert(owner, key, tile.copy());
        QVERIFY(!cache.find(owner, 1).isNull()); // 1 is now the most recently used
        cache.insert(owner, 5, tile.copy());
        QVERIFY(!cache.find(owner, 1).isNull());
        QVERIFY(cache.find(owner, 2).isNull());
        QImage huge(4200, 4200, QImage::Format_RGB32);
        cache.insert(owner, 6, huge);
        QVERIFY(cache.find(owner, 6).isNull());
        QVERIFY(!cache.find(owner, 5).isNull());
        cache.dropOwner(owner);
        QVERIFY(cache.find(owner, 5).isNull());
    }
};

QTEST_MAIN(PlaybackBudgetTest)
#include "tst_playbackbudget.moc"
