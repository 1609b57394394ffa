#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <sys/stat.h>

#include "pictures/Picture.h"
#include "stores/Error.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/TestSupport.h"
#include "widgets/ImageBox.h"

using namespace qlx;

namespace {

const QString kPictures = QStringLiteral(QLX_TEST_DATA "/pictures/");

QByteArray sampleBytes(const QString& name) {
    QFile f(kPictures + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return f.readAll();
}

// A metafile stand-in: its size comes from the bytes, and it paints its target in one colour.
class FakeVector : public VectorPicture {
public:
    FakeVector(QSize size, QColor colour)
        : m_size(size)
        , m_colour(colour) {}
    QSize size() const override { return m_size; }
    void draw(QPainter& painter, const QRectF& target) const override {
        painter.fillRect(target, m_colour);
    }

private:
    QSize m_size;
    QColor m_colour;
};

// Reads the bounds the sample EMF and WMF carry, as the real reader would; refuses anything
// without a header.
std::shared_ptr<const VectorPicture> fakeLoader(const QByteArray& bytes, bool enhanced) {
    auto i32 = [&](int at) {
        return qFromLittleEndian<qint32>(bytes.constData() + at);
    };
    auto i16 = [&](int at) {
        return qFromLittleEndian<qint16>(bytes.constData() + at);
    };
    if (enhanced && bytes.size() >= 88 && i32(0) == 1)
        return std::make_shared<FakeVector>(QSize(i32(16) - i32(8) + 1, i32(20) - i32(12) + 1),
                                            Qt::green);
    if (!enhanced && bytes.size() >= 22 && quint32(i32(0)) == 0x9AC6CDD7u)
        return std::make_shared<FakeVector>(QSize(i16(10) - i16(6), i16(12) - i16(8)), Qt::cyan);
    throw Error("Metafile is not valid");
}

using LoadRow = std::tuple<QByteArray, Picture::Type, QSize>; // the file's bytes, what it is
using DrawableRow = std::tuple<QString, qint64, QSize>;       // sample, pixel limit, size
using FailureRow = std::tuple<QString, QByteArray, QString>;  // name, bytes, message
using FileRow = std::pair<QString, QByteArray>;
using ShownRow = std::pair<QString, QColor>;

// `picture` drawn into `target` (the whole canvas when empty) of a white canvas.
QImage drawnOnWhite(const Picture& picture, QSize canvas, QRect target = {}) {
    QImage image(canvas, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.draw(painter, target.isEmpty() ? image.rect() : target);
    return image;
}

QColor sampleColour(int x, int y) {
    return QColor(x * 60, y * 80, 200);
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString place(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        if (!test::writeFile(path, bytes.toStdString()))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QString messageOf(const QString& path) {
        return test::errorOf([&] { Picture::fromFile(path); });
    }

    // The good 24-bit sample with one little-endian field replaced.
    static QByteArray patchedBmp(int offset, int bytes, qint64 value) {
        QByteArray b = sampleBytes("rgb4x3.bmp");
        for (int i = 0; i < bytes; ++i)
            b[offset + i] = char((value >> (8 * i)) & 0xFF);
        return b;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        Picture::setMetafileLoader(fakeLoader);
    }

    // --- loading by extension, or by content without one ---------------------------------

    void loads_data() {
        using T = Picture::Type;
        const QByteArray bmp = sampleBytes("rgb4x3.bmp"), ico = sampleBytes("two.ico");
        const QByteArray emfBytes = sampleBytes("square.emf"), wmfBytes = sampleBytes("square.wmf");
        QImage image(7, 5, QImage::Format_RGB32);
        image.fill(Qt::darkRed);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "JPEG"));
        // The tag is the file's name: by the extension, in any letter case (the extension is
        // lowered once for every type), then without one.
        test::dataRows<LoadRow>({
            {"a.bmp", {bmp, T::Bitmap, {4, 3}}},
            {"c.bMp", {sampleBytes("palette5x2.bmp"), T::Bitmap, {5, 2}}},
            {"d.ico", {ico, T::Icon, {32, 32}}},
            {"f.emf", {emfBytes, T::EnhancedMetafile, {120, 80}}},
            {"h.wmf", {wmfBytes, T::Metafile, {90, 60}}},
            {"j.k.bmp", {bmp, T::Bitmap, {4, 3}}},
            {"label.png", {sampleBytes("rgb4x3.png"), T::Bitmap, {4, 3}}},
            {"label.jpg", {jpeg, T::Bitmap, {7, 5}}},
            {"label.JPEG", {jpeg, T::Bitmap, {7, 5}}},
            {"bmp", {bmp, T::Bitmap, {4, 3}}},
            {"ico", {ico, T::Icon, {32, 32}}},
            {"emf", {emfBytes, T::EnhancedMetafile, {120, 80}}},
            {"wmf", {wmfBytes, T::Metafile, {90, 60}}},
            {"png", {sampleBytes("rgb4x3.png"), T::Bitmap, {4, 3}}},
            {"gif", {sampleBytes("red.gif"), T::Bitmap, {1, 1}}},
            {"jpeg", {jpeg, T::Bitmap, {7, 5}}},
        });
    }
    void loads() {
        QFETCH(LoadRow, row);
        const auto [bytes, type, size] = row;
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        const Picture p = Picture::fromFile(place(name, bytes));
        QCOMPARE(p.type(), type);
        QCOMPARE(p.size(), size);
        QCOMPARE(p.isBitmap(), type == Picture::Type::Bitmap);
        if (size == QSize(4, 3)) // the 24-bit sample, as BMP or PNG: every pixel is read
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x)
                    QCOMPARE(p.toImage().pixelColor(x, y), sampleColour(x, y));
    }

    // Icons and metafiles become bitmaps to draw on: the icon's natural image, a metafile at
    // its frame's size (here the fake player's size; the real frame is tried in
    // tst_qlxsheet), scaled down within the pixel limit; bitmaps stay the very same pixels.
    void drawableBitmap_data() {
        test::dataRows<DrawableRow>({
            {"bitmap", {"rgb4x3.bmp", 4, {4, 3}}},
            {"icon", {"two.ico", 1 << 20, {32, 32}}},
            {"enhanced metafile", {"square.emf", 1 << 20, {120, 80}}},
            {"metafile", {"square.wmf", 1 << 20, {90, 60}}},
            {"metafile over the limit", {"square.emf", 2400, {60, 40}}},
        });
    }
    void drawableBitmap() {
        QFETCH(DrawableRow, row);
        const auto [name, limit, size] = row;
        const Picture source = Picture::fromFile(kPictures + name);
        Picture drawable = source.toDrawableBitmap(limit);
        QVERIFY(drawable.isBitmap());
        QCOMPARE(drawable.size(), size);
        if (source.isBitmap()) {
            QCOMPARE(drawable.bitmap().cacheKey(), source.bitmap().cacheKey());
            return;
        }
        // What the picture shows is there, on white where it shows nothing.
        const QImage shown = drawnOnWhite(source, size);
        QCOMPARE(drawable.bitmap().convertToFormat(QImage::Format_RGB32), shown);
        drawable.bitmapForDrawing().fill(Qt::black); // drawing on it leaves the source alone
        QCOMPARE(source.toDrawableBitmap(limit).bitmap().convertToFormat(QImage::Format_RGB32),
                 shown);
    }

    // --- the three messages ----------------------------------------------------------------

    void failuresGiveTheirMessage_data() {
        QTest::addColumn<FailureRow>("row");
        const QByteArray bmp = sampleBytes("rgb4x3.bmp");
        const auto row = [](const char* tag, QString name, QByteArray bytes, QString message) {
            QTest::newRow(tag) << FailureRow{name, bytes, message};
        };
        row("gif extension", "photo.gif", sampleBytes("red.gif"),
            "Unknown picture file extension (.gif)");
        row("extension kept as typed", "photo.TiFf", bmp, "Unknown picture file extension (.TiFf)");
        // The extension decides over the content.
        row("bitmap under .ico", "bitmap.ico", bmp, "Icon image is not valid");
        row("icon under .bmp", "icon.bmp", sampleBytes("two.ico"), "Bitmap image is not valid");
        row("png extension decides over the content", "photo.png", bmp,
            "Bitmap image is not valid");
        row("damaged jpeg", "photo.jpg", "\xFF\xD8\xFF\xE0 cut", "Bitmap image is not valid");
        row("last extension only", "label.bmp.gz", bmp, "Unknown picture file extension (.gz)");
        row("unknown extension, file missing", "", QByteArray(),
            "Unknown picture file extension (.txt)");
        row("damaged bitmap", "damaged.bmp", bmp.left(40), "Bitmap image is not valid");
        row("damaged bitmap without extension", "damaged", bmp.left(40),
            "Bitmap image is not valid");
        row("empty bmp", "empty.bmp", QByteArray(), "Bitmap image is not valid");
        row("unrecognised content", "notes", "plain words", "Unknown picture file extension (.)");
        row("metafile refused by its reader", "bad.emf", QByteArray(100, 'x'),
            "Metafile is not valid");
    }
    void failuresGiveTheirMessage() {
        QFETCH(FailureRow, row);
        const auto [name, bytes, message] = row;
        const QString path = name.isEmpty() ? m_dir.filePath("absent.txt") : place(name, bytes);
        QCOMPARE(messageOf(path), message);
    }

    void unreadableFileGivesCannotOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing bmp") << "missing.bmp";
        QTest::newRow("missing without extension") << "missing";
        QTest::newRow("folder") << "folder.ico";
        // A named pipe would block the open until something wrote into it.
        QTest::newRow("pipe bmp") << "pipe.bmp";
        QTest::newRow("pipe emf") << "pipe2.emf";
        QTest::newRow("pipe without extension") << "pipe3";
    }
    void unreadableFileGivesCannotOpen() {
        QFETCH(QString, name);
        const QString path = m_dir.filePath(name);
        if (name.startsWith("folder"))
            QVERIFY(QDir(m_dir.path()).mkpath(name));
        if (name.startsWith("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QCOMPARE(messageOf(path), "Cannot open file " + path);
    }

    void failedLoadLeavesPictureAsItWas_data() {
        test::dataRows<FileRow>({
            {"unknown extension", {"x.gif", sampleBytes("red.gif")}},
            {"damaged bitmap", {"x.bmp", sampleBytes("rgb4x3.bmp").left(60)}},
            {"damaged icon", {"x.ico", sampleBytes("two.ico").left(30)}},
            {"bad metafile", {"x.wmf", QByteArray(30, '\0')}},
        });
    }
    void failedLoadLeavesPictureAsItWas() {
        QFETCH(FileRow, row);
        const auto [name, bytes] = row;
        Picture p = Picture::fromFile(kPictures + "palette5x2.bmp");
        const qint64 key = p.bitmap().cacheKey();
        QVERIFY_THROWS_EXCEPTION(Error, p.loadFromFile(place(name, bytes)));
        QVERIFY(p.isBitmap());
        QCOMPARE(p.bitmap().cacheKey(), key);
        QCOMPARE(p.size(), QSize(5, 2));
    }

    // --- damaged bitmaps -------------------------------------------------------------------

    // The header checks themselves are tabled in tst_bmpcheck (cuts, header sizes, sides,
    // depths, palettes, offsets); these rows are damage of each kind done to a real file,
    // refused on the way through the picture loader.
    void damagedBitmapIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = sampleBytes("rgb4x3.bmp");
        // Offsets in the sample: pixel offset 10, width 18, height 22, compression 30.
        QTest::newRow("pixels cut short") << good.left(good.size() - 1);
        QTest::newRow("pixel offset past the end") << patchedBmp(10, 4, good.size());
        QByteArray hugeBoth = patchedBmp(18, 4, 50000);
        hugeBoth.replace(22, 4, patchedBmp(22, 4, 50000).mid(22, 4));
        QTest::newRow("50000 x 50000") << hugeBoth;
        QTest::newRow("unknown compression") << patchedBmp(30, 4, 99);
        QByteArray palCut = sampleBytes("palette5x2.bmp");
        palCut[10] = char(54); // pixels said to start where the palette does
        QTest::newRow("pixels overlap the palette") << palCut;
        QByteArray topDownRle = sampleBytes("palette5x2.bmp");
        topDownRle.replace(30, 4, QByteArray("\x01\0\0\0", 4));
        topDownRle.replace(22, 4, QByteArray("\xFE\xFF\xFF\xFF", 4));
        QTest::newRow("top-down run-length") << topDownRle;
    }
    void damagedBitmapIsRefused() {
        QFETCH(QByteArray, bytes);
        QCOMPARE(messageOf(place("damaged.bmp", bytes)), QString("Bitmap image is not valid"));
    }

    // Pixels that index past a short palette (found by the fuzzer: Qt kept the short table and
    // read past it when drawing) show black, and drawing and converting stay inside the table.
    void shortPaletteIndexesShowBlack() {
        Picture p = Picture::fromFile(kPictures + "short-palette.bmp");
        QCOMPARE(p.size(), QSize(5, 2));
        const QImage canvas = drawnOnWhite(p, QSize(5, 2));
        // Top row: palette entries 1, 2, 0, 1, 2; bottom row: 0, 255, 0, 0, 255 of 3 entries.
        const std::pair<QPoint, QColor> expected[] = {{{0, 0}, Qt::green},
                                                      {{1, 0}, Qt::magenta},
                                                      {{0, 1}, Qt::red},
                                                      {{1, 1}, Qt::black}, // past the palette
                                                      {{4, 1}, Qt::black}};
        for (const auto& [at, colour] : expected) {
            QCOMPARE(canvas.pixelColor(at), colour);
            QCOMPARE(QColor(p.bitmapForDrawing().pixel(at)), colour);
        }
    }

    void damagedIconIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = sampleBytes("two.ico");
        auto patched = [&](int offset, QByteArray value) {
            QByteArray b = good;
            b.replace(offset, value.size(), value);
            return b;
        };
        QTest::newRow("directory cut") << good.left(20);
        QTest::newRow("reserved not zero") << patched(0, QByteArray("\x01\0", 2));
        QTest::newRow("cursor type") << patched(2, QByteArray("\x02\0", 2));
        QTest::newRow("no images") << patched(4, QByteArray("\0\0", 2));
        QTest::newRow("more images than listed") << patched(4, QByteArray("\x09\0", 2));
        QTest::newRow("image past the end") << patched(6 + 12, QByteArray("\xF0\xFF\0\0", 4));
        QTest::newRow("image size past the end") << patched(6 + 8, QByteArray("\xF0\xFF\0\0", 4));
        // The first image's header begins at 38: width at 42, height at 46.
        QTest::newRow("image claims huge width") << patched(42, QByteArray("\xFF\xFF\0\0", 4));
        QTest::newRow("image claims huge height") << patched(46, QByteArray("\xFF\xFF\0\0", 4));
        QTest::newRow("image depth 7") << patched(52, QByteArray("\x07\0", 2));
    }
    void damagedIconIsRefused() {
        QFETCH(QByteArray, bytes);
        QCOMPARE(messageOf(place("damaged.ico", bytes)), QString("Icon image is not valid"));
    }

    // --- icons and metafiles ---------------------------------------------------------------

    void metafileIsPlayedStretched() {
        const Picture p = Picture::fromFile(kPictures + "square.emf");
        const QImage canvas = drawnOnWhite(p, QSize(50, 40), QRect(10, 10, 20, 20));
        QCOMPARE(canvas.pixelColor(10, 10), QColor(Qt::green));
        QCOMPARE(canvas.pixelColor(29, 29), QColor(Qt::green));
        QCOMPARE(canvas.pixelColor(9, 9), QColor(Qt::white));
        QCOMPARE(canvas.pixelColor(30, 30), QColor(Qt::white));
        QCOMPARE(p.toImage().size(), QSize(120, 80));
    }

    void metafileWithoutReaderIsRefused() {
        Picture::setMetafileLoader({});
        const QString message = messageOf(kPictures + "square.wmf");
        Picture::setMetafileLoader(fakeLoader);
        QCOMPARE(message, QString("Metafile support is not available"));
    }

    // --- drawing on pictures ---------------------------------------------------------------

    void drawingOnACopyLeavesTheSource_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("24-bit") << "rgb4x3.bmp";
        QTest::newRow("palette") << "palette5x2.bmp";
        QTest::newRow("gif") << "red.gif";
    }
    void drawingOnACopyLeavesTheSource() {
        QFETCH(QString, name);
        const Picture source = Picture::fromFile(place("copy-source", sampleBytes(name)));
        const QImage before = source.toImage().convertToFormat(QImage::Format_RGB32);
        Picture copy = source;
        // The pixels to draw on have the picture's colours, a palette's too.
        QCOMPARE(copy.bitmapForDrawing().convertToFormat(QImage::Format_RGB32), before);
        QPainter painter(&copy.bitmapForDrawing());
        painter.fillRect(QRect(0, 0, 2, 2), Qt::magenta);
        painter.end();
        QCOMPARE(copy.toImage().pixelColor(0, 0), QColor(Qt::magenta));
        QCOMPARE(source.toImage().convertToFormat(QImage::Format_RGB32), before);
        // and the other way round: drawing on the source leaves the copy
        Picture source2 = source;
        const Picture copy2 = source2;
        QPainter painter2(&source2.bitmapForDrawing());
        painter2.fillRect(QRect(0, 0, 1, 1), Qt::yellow);
        painter2.end();
        QCOMPARE(copy2.toImage().convertToFormat(QImage::Format_RGB32), before);
    }

    void onlyABitmapCanBeDrawnOn_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("icon") << "two.ico";
        QTest::newRow("enhanced metafile") << "square.emf";
        QTest::newRow("metafile") << "square.wmf";
    }
    void onlyABitmapCanBeDrawnOn() {
        QFETCH(QString, name);
        Picture p = Picture::fromFile(kPictures + name);
        const Picture::Type type = p.type();
        QCOMPARE(test::errorOf([&] { p.bitmapForDrawing(); }),
                 QString("Can only modify an image if it contains a bitmap"));
        QCOMPARE(p.type(), type);
    }

    // --- the image control -----------------------------------------------------------------

    void imageBoxShowsEveryTypeStretched_data() {
        test::dataRows<ShownRow>({
            {"icon", {"two.ico", Qt::blue}},
            {"metafile", {"square.wmf", Qt::cyan}},
            {"gif", {"red.gif", Qt::red}},
        });
    }
    void imageBoxShowsEveryTypeStretched() {
        QFETCH(ShownRow, row);
        const auto [name, colour] = row;
        ImageBox box;
        box.resize(137, 65);
        box.setPicture(Picture::fromFile(place("shown", sampleBytes(name))));
        const QImage shot = box.grab().toImage();
        QCOMPARE(shot.pixelColor(0, 0), colour);
        QCOMPARE(shot.pixelColor(136, 64), colour);
    }

    void imageBoxCanvas() {
        ImageBox box;
        box.resize(30, 20);
        QImage& blank = box.canvas();
        QCOMPARE(blank.size(), QSize(30, 20));
        QCOMPARE(blank.pixelColor(3, 3), QColor(Qt::white));

        const Picture stock = Picture::fromFile(kPictures + "rgb4x3.bmp");
        box.setPicture(stock);
        QPainter(&box.canvas()).fillRect(0, 0, 4, 3, Qt::black);
        QCOMPARE(box.image().pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(stock.toImage().pixelColor(2, 2), sampleColour(2, 2));

        box.setPicture(Picture::fromFile(kPictures + "two.ico"));
        QVERIFY_THROWS_EXCEPTION(Error, box.canvas());
    }
};

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
