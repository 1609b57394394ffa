// Small inputs that ask for unbounded work or memory: pictures that paint without end, JPEGs
// of thousands of scans, metafiles of millions of tiny records, and picture files far larger
// than what they claim. Each is cut short or refused by counted units and sizes, with its
// reason; sound pictures of the same kinds are still drawn whole.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

#include "HostileInputs.h"
#include "metafile/Metafile.h"
#include "metafile/MetafileLimits.h"
#include "metafile/MetafilePicture.h"
#include "pictures/JpegCheck.h"
#include "pictures/Picture.h"
#include "render/SheetRun.h"
#include "stores/Error.h"
#include "support/DataRows.h"

using namespace qlx;

namespace {

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

struct PaintRow {
    QByteArray bytes;
    int size;     // drawn at size x size
    double fills; // the budget, in full-target fills
    bool whole;   // drawn whole within it
};

struct FileRow {
    QString name;
    qint64 sparseBytes; // > 0: a file of this size, holes but for `head`
    QByteArray head;
    QString message; // what the refusal starts with, or contains when it begins with '*'
};

// One fill of the whole target, in the units the players charge: the target's pixels with
// the pen's pixel around them, and the call.
double fillUnits(int size) {
    return double(size + 3) * (size + 3) + double(metafile_limits::kDrawUnits);
}

} // namespace

Q_DECLARE_METATYPE(PaintRow)
Q_DECLARE_METATYPE(FileRow)

class HostileWorkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerMetafilePictures(); }

    // A label background that is such a picture is refused when it is made drawable, with
    // the reason; a sound one is drawn.
    void costlyBackgroundIsRefused() {
        const Picture storm = Picture::fromData(hostile::emfHatchedEllipses(20000), "emf");
        QVERIFY2(errorOf([&] { storm.toDrawableBitmap(kMaxLabelPixels); }).contains("cut short"),
                 "a background cut short was taken");
        const Picture few = Picture::fromData(hostile::emfHatchedEllipses(3), "emf");
        const Picture drawn = few.toDrawableBitmap(kMaxLabelPixels);
        QVERIFY(drawn.isBitmap());
        QVERIFY(drawn.toImage().pixelColor(550, 550) != QColor(Qt::white)); // hatched
    }

    // The budget counts painted pixels: with room for five and a half fills of the target,
    // five full-frame shapes are drawn whole and a sixth cuts the drawing short; thousands
    // stop at the budget whatever the file holds.
    void playbackStopsAtItsBudget_data() {
        test::dataRows<PaintRow>({
            {"5 ellipses, room for 5.5", {hostile::emfHatchedEllipses(5), 100, 5.5, true}},
            {"6 ellipses, room for 5.5", {hostile::emfHatchedEllipses(6), 100, 5.5, false}},
            {"20,000 ellipses", {hostile::emfHatchedEllipses(20000), 100, 50, false}},
            {"5 WMF rectangles, room for 5.5", {hostile::wmfHatchedRectangles(5), 100, 5.5, true}},
            {"6 WMF rectangles, room for 5.5", {hostile::wmfHatchedRectangles(6), 100, 5.5, false}},
            {"20,000 WMF rectangles", {hostile::wmfHatchedRectangles(20000), 300, 20, false}},
        });
    }
    void playbackStopsAtItsBudget() {
        QFETCH(PaintRow, row);
        const Metafile picture = Metafile::fromBytes(row.bytes);
        QImage image = canvas(row.size, row.size);
        QPainter painter(&image);
        std::string problem;
        const bool whole = picture.play(painter, QRectF(0, 0, row.size, row.size), &problem,
                                        uint64_t(row.fills * fillUnits(row.size)));
        painter.end();
        QCOMPARE(whole, row.whole);
        if (!row.whole)
            QVERIFY2(QString::fromStdString(problem).contains("cut short"), problem.c_str());
        // What was drawn before the stop stays: the hatch shows in the middle.
        int hatched = 0;
        for (int x = 0; x < row.size; ++x)
            hatched += image.pixelColor(x, row.size / 2) != QColor(Qt::white);
        QVERIFY2(hatched > 0, "nothing was drawn");
    }

    // The default budget leaves forty full-page fills whole at 192 dpi, and stops
    // twenty thousand full-page fills at any size.
    void defaultBudgetFitsAPageNotAStorm() {
        QImage image = canvas(1600, 2200); // a page at 192 dpi
        QPainter painter(&image);
        std::string problem;
        QVERIFY2(Metafile::fromBytes(hostile::emfHatchedEllipses(40))
                     .play(painter, QRectF(0, 0, 1600, 2200), &problem),
                 problem.c_str());
        QVERIFY(!Metafile::fromBytes(hostile::emfHatchedEllipses(20000))
                     .play(painter, QRectF(0, 0, 400, 550), &problem));
        QVERIFY2(QString::fromStdString(problem).contains("cut short"), problem.c_str());
    }

    // Records are counted as they are read: one beyond the cap is refused, the cap itself is
    // taken.
    void recordsAreCountedWhileRead() {
        const int cap = int(metafile_limits::kMaxRecords);
        // The header and the end-of-file record are two of them.
        QVERIFY(errorOf([&] { Metafile::fromBytes(hostile::emfTinyRecords(cap - 2)); }).isEmpty());
        QCOMPARE(errorOf([&] { Metafile::fromBytes(hostile::emfTinyRecords(cap - 1)); }),
                 QString("The enhanced metafile is too complex: it holds more than 250000 "
                         "records"));
    }

    // The scans of a JPEG are counted and its size read before any decoder sees it: as a
    // picture file and inside a metafile.
    void jpegScansAndSizeAreBounded_data() {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<QString>("refusal"); // empty: decoded
        QTest::newRow("progressive, its own scans") << hostile::jpegScanBomb(64, 0) << QString();
        QTest::newRow("100 scans") << hostile::jpegScanBomb(64, 100) << QString();
        QTest::newRow("101 scans")
            << hostile::jpegScanBomb(64, 101) << QString("holds more than 100 scans");
        QTest::newRow("2,000 scans")
            << hostile::jpegScanBomb(64, 2000) << QString("holds more than 100 scans");
        QTest::newRow("40 scans of 4096 x 4096")
            << hostile::jpegScanBomb(4096, 40) << QString("would take too long to decode");
        QByteArray huge = hostile::jpegScanBomb(16, 0);
        const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC2", 2));
        huge[sof + 5] = char(0xFF); // height 65,296
        huge[sof + 7] = char(0xFF); // width 65,296
        QTest::newRow("claims 65,296 square") << huge << QString("pixels (at most 33554432)");
    }
    void jpegScansAndSizeAreBounded() {
        QFETCH(QByteArray, jpeg);
        QFETCH(QString, refusal);
        const QString asFile = errorOf([&] { Picture::fromData(jpeg, "jpg"); });
        if (refusal.isEmpty())
            QVERIFY2(asFile.isEmpty(), qPrintable(asFile));
        else
            QVERIFY2(asFile.startsWith("Bitmap image is not valid: ") && asFile.contains(refusal),
                     qPrintable(asFile));
        const Metafile inside = Metafile::fromBytes(hostile::emfEmbeddedJpeg(jpeg, 64));
        QImage image = canvas(200, 200);
        QPainter painter(&image);
        std::string problem;
        const bool whole = inside.play(painter, QRectF(0, 0, 200, 200), &problem);
        QCOMPARE(whole, refusal.isEmpty());
        if (!refusal.isEmpty())
            QVERIFY2(QString::fromStdString(problem).contains(refusal), problem.c_str());
    }

    // Picture files are judged by their size and first bytes before the rest is read.
    void pictureFilesRefusedBeforeTheyAreRead_data() {
        const QByteArray pngHead = hostile::png(8).left(33);
        QByteArray bigPng = pngHead;
        bigPng[17] = char(0x7F); // width 0x7F0008
        test::dataRows<FileRow>({
            {"250 MB of garbage as .png",
             {"garbage.png", 250'000'000, "garbage", "Bitmap image is not valid"}},
            {"200 MB .png of 8 x 8 pixels",
             {"long.png", 200'000'000, pngHead, "*more than its kind may have"}},
            {"a PNG claiming 8 Mi x 8 pixels", {"wide.png", 0, bigPng, "*it claims"}},
            {"200 MB .wmf",
             {"escape.wmf", 200'000'000, "\xD7\xCD\xC6\x9A", "Metafile is not valid: "}},
            {"200 MB .bmp", {"big.bmp", 200'000'000, "BM", "Bitmap image is not valid: "}},
            {"300 MB .emf", {"big.emf", 300'000'000, "\x01", "Metafile is not valid: the file"}},
            {"an empty .jpg", {"empty.jpg", 0, QByteArray(), "Bitmap image is not valid"}},
        });
    }
    void pictureFilesRefusedBeforeTheyAreRead() {
        QFETCH(FileRow, row);
        QTemporaryDir dir;
        const QString path = dir.filePath(row.name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(row.head);
        if (row.sparseBytes > 0)
            QVERIFY(file.resize(row.sparseBytes)); // holes: no disk, and nothing to read
        file.close();
        const QString message = errorOf([&] { Picture::fromFile(path); });
        if (row.message.startsWith('*'))
            QVERIFY2(message.contains(row.message.mid(1)), qPrintable(message));
        else
            QVERIFY2(message.startsWith(row.message), qPrintable(message));
    }

    // Only regular files that state their size are read: /proc's, which state none and may
    // not end, and pipes are refused at once.
    void onlyRegularFilesWithASize() {
        if (!QFile::exists("/proc/self/pagemap"))
            QSKIP("no /proc here");
        QCOMPARE(errorOf([] { Picture::fromFile("/proc/self/pagemap"); }),
                 QString("Bitmap image is not valid"));
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.png"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(errorOf([&] { Picture::fromFile(QFile::decodeName(fifo)); }),
                 "Cannot open file " + QFile::decodeName(fifo));
    }
};

QTEST_MAIN(HostileWorkTest)
#include "tst_hostilework.moc"
