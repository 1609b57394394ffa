#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <sys/stat.h>

#include "platform/ImageBox.h"
#include "platform/Picture.h"
#include "stores/Error.h"
#include "support/ErrorOf.h"
#include "support/TestSupport.h"

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

    // --- loading by extension --------------------------------------------------------------

    void loadsByExtensionInAnyCase_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QSize>("size");
        const int bitmap = int(Picture::Type::Bitmap), icon = int(Picture::Type::Icon);
        const int emf = int(Picture::Type::EnhancedMetafile), wmf = int(Picture::Type::Metafile);
        const auto row = [](const char* sample, const char* name, int type, QSize size) {
            QTest::newRow(name) << sample << name << type << size;
        };
        row("rgb4x3.bmp", "a.bmp", bitmap, QSize(4, 3));
        row("rgb4x3.bmp", "b.BMP", bitmap, QSize(4, 3));
        row("palette5x2.bmp", "c.bMp", bitmap, QSize(5, 2));
        row("two.ico", "d.ico", icon, QSize(32, 32));
        row("two.ico", "e.ICO", icon, QSize(32, 32));
        row("square.emf", "f.emf", emf, QSize(120, 80));
        row("square.emf", "g.Emf", emf, QSize(120, 80));
        row("square.wmf", "h.wmf", wmf, QSize(90, 60));
        row("square.wmf", "i.WMF", wmf, QSize(90, 60));
        row("rgb4x3.bmp", "j.k.bmp", bitmap, QSize(4, 3));
    }
    void loadsByExtensionInAnyCase() {
        QFETCH(QString, sample);
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QSize, size);
        const Picture p = Picture::fromFile(place(name, sampleBytes(sample)));
        QCOMPARE(int(p.type()), type);
        QCOMPARE(p.size(), size);
        QCOMPARE(p.isBitmap(), type == int(Picture::Type::Bitmap));
    }

    // --- loading by content ----------------------------------------------------------------

    void loadsByContentWithoutExtension_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("type");
        QTest::addColumn<QSize>("size");
        const int bitmap = int(Picture::Type::Bitmap);
        QTest::newRow("bmp") << sampleBytes("rgb4x3.bmp") << bitmap << QSize(4, 3);
        QTest::newRow("ico") << sampleBytes("two.ico") << int(Picture::Type::Icon) << QSize(32, 32);
        QTest::newRow("emf") << sampleBytes("square.emf") << int(Picture::Type::EnhancedMetafile)
                             << QSize(120, 80);
        QTest::newRow("wmf") << sampleBytes("square.wmf") << int(Picture::Type::Metafile)
                             << QSize(90, 60);
        QTest::newRow("png") << sampleBytes("rgb4x3.png") << bitmap << QSize(4, 3);
        QTest::newRow("gif") << sampleBytes("red.gif") << bitmap << QSize(1, 1);
        QImage jpeg(7, 5, QImage::Format_RGB32);
        jpeg.fill(Qt::darkRed);
        QByteArray jpegBytes;
        QBuffer buffer(&jpegBytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(jpeg.save(&buffer, "JPEG"));
        QTest::newRow("jpeg") << jpegBytes << bitmap << QSize(7, 5);
    }
    void loadsByContentWithoutExtension() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, type);
        QFETCH(QSize, size);
        const QString path = place(QString("noext-%1").arg(QTest::currentDataTag()), bytes);
        const Picture p = Picture::fromFile(path);
        QCOMPARE(int(p.type()), type);
        QCOMPARE(p.size(), size);
    }

    void pixelsAreRead_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("bmp") << "rgb4x3.bmp";
        QTest::newRow("png") << "rgb4x3.png";
    }
    void pixelsAreRead() {
        QFETCH(QString, name);
        // Without its extension, so that PNG is read too.
        const QString path = place(
            QFileInfo(name).completeBaseName() + "-" + QFileInfo(name).suffix(), sampleBytes(name));
        const QImage image = Picture::fromFile(path).toImage();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                QCOMPARE(image.pixelColor(x, y), sampleColour(x, y));
    }

    // PNG and JPEG by their extension, in any letter case.
    void pngAndJpegByExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        QTest::newRow("png") << "label.png"
                             << "PNG";
        QTest::newRow("jpg") << "label.jpg"
                             << "JPEG";
        QTest::newRow("JPEG capitals") << "label.JPEG"
                                       << "JPEG";
    }
    void pngAndJpegByExtension() {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QImage image(9, 4, QImage::Format_RGB32);
        image.fill(QColor(200, 30, 40));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, qPrintable(format), 100));
        const Picture p = Picture::fromFile(place(name, bytes));
        QVERIFY(p.isBitmap());
        QCOMPARE(p.size(), QSize(9, 4));
        const QColor c = p.bitmap().pixelColor(4, 2);
        QVERIFY(qAbs(c.red() - 200) < 8 && qAbs(c.green() - 30) < 8 && qAbs(c.blue() - 40) < 8);
    }

    // Icons and metafiles become bitmaps to draw on: the icon's natural image, a metafile at
    // its frame's size (here the fake player's size; the real frame is tried in
    // tst_qlxsheet), scaled down within the pixel limit; bitmaps stay the very same pixels.
    void drawableBitmap_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QSize>("size");
        QTest::newRow("bitmap") << "rgb4x3.bmp" << qint64(4) << QSize(4, 3);
        QTest::newRow("icon") << "two.ico" << qint64(1 << 20) << QSize(32, 32);
        QTest::newRow("enhanced metafile") << "square.emf" << qint64(1 << 20) << QSize(120, 80);
        QTest::newRow("metafile") << "square.wmf" << qint64(1 << 20) << QSize(90, 60);
        QTest::newRow("metafile over the limit") << "square.emf" << qint64(2400) << QSize(60, 40);
    }
    void drawableBitmap() {
        QFETCH(QString, name);
        QFETCH(qint64, limit);
        QFETCH(QSize, size);
        const Picture source = Picture::fromFile(kPictures + name);
        Picture drawable = source.toDrawableBitmap(limit);
        QVERIFY(drawable.isBitmap());
        QCOMPARE(drawable.size(), size);
        if (source.isBitmap()) {
            QCOMPARE(drawable.bitmap().cacheKey(), source.bitmap().cacheKey());
            return;
        }
        // What the picture shows is there, on white where it shows nothing.
        QImage shown(size, QImage::Format_RGB32);
        shown.fill(Qt::white);
        QPainter painter(&shown);
        source.draw(painter, shown.rect());
        painter.end();
        QCOMPARE(drawable.bitmap().convertToFormat(QImage::Format_RGB32), shown);
        drawable.bitmapForDrawing().fill(Qt::black); // drawing on it leaves the source alone
        QCOMPARE(source.toDrawableBitmap(limit).bitmap().convertToFormat(QImage::Format_RGB32),
                 shown);
    }

    // --- the three messages ----------------------------------------------------------------

    void failuresGiveTheirMessage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray bmp = sampleBytes("rgb4x3.bmp");
        const auto row = [](const char* tag, QString name, QByteArray bytes, QString message) {
            QTest::newRow(tag) << name << bytes << message;
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
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
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
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unknown extension") << "x.gif" << sampleBytes("red.gif");
        QTest::newRow("damaged bitmap") << "x.bmp" << sampleBytes("rgb4x3.bmp").left(60);
        QTest::newRow("damaged icon") << "x.ico" << sampleBytes("two.ico").left(30);
        QTest::newRow("bad metafile") << "x.wmf" << QByteArray(30, '\0');
    }
    void failedLoadLeavesPictureAsItWas() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
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

    // The checks must not refuse what is sound.
    void soundBitmapVariantsLoad_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        const QByteArray good = sampleBytes("rgb4x3.bmp");
        QTest::newRow("bottom-up") << good << QSize(4, 3);
        QTest::newRow("top-down") << patchedBmp(22, 4, -3) << QSize(4, 3);
        QTest::newRow("file size field wrong") << patchedBmp(2, 4, 12345) << QSize(4, 3);
        QTest::newRow("palette") << sampleBytes("palette5x2.bmp") << QSize(5, 2);
        QTest::newRow("trailing bytes") << good + QByteArray(16, '\0') << QSize(4, 3);
    }
    void soundBitmapVariantsLoad() {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QCOMPARE(Picture::fromFile(place("sound.bmp", bytes)).size(), size);
    }

    // Pixels that index past a short palette (found by the fuzzer: Qt kept the short table and
    // read past it when drawing) show black, and drawing and converting stay inside the table.
    void shortPaletteIndexesShowBlack_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("colour");
        // Top row: palette entries 1, 2, 0, 1, 2; bottom row: 0, 255, 0, 0, 255 of 3 entries.
        QTest::newRow("entry 1") << QPoint(0, 0) << QColor(Qt::green);
        QTest::newRow("entry 2") << QPoint(1, 0) << QColor(Qt::magenta);
        QTest::newRow("entry 0") << QPoint(0, 1) << QColor(Qt::red);
        QTest::newRow("past the palette") << QPoint(1, 1) << QColor(Qt::black);
        QTest::newRow("past the palette, last column") << QPoint(4, 1) << QColor(Qt::black);
    }
    void shortPaletteIndexesShowBlack() {
        QFETCH(QPoint, at);
        QFETCH(QColor, colour);
        Picture p = Picture::fromFile(kPictures + "short-palette.bmp");
        QCOMPARE(p.size(), QSize(5, 2));
        QImage canvas(5, 2, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            p.draw(painter, canvas.rect());
        }
        QCOMPARE(canvas.pixelColor(at), colour);
        QCOMPARE(QColor(p.bitmapForDrawing().pixel(at)), colour);
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

    void iconDrawsItsBestImageStretched_data() {
        QTest::addColumn<QSize>("target");
        QTest::addColumn<QColor>("colour");
        // The sample has a red 16 x 16 image and a blue 32 x 32 one.
        QTest::newRow("small target uses 16") << QSize(10, 10) << QColor(Qt::red);
        QTest::newRow("exact 16") << QSize(16, 16) << QColor(Qt::red);
        QTest::newRow("between uses 32") << QSize(20, 12) << QColor(Qt::blue);
        QTest::newRow("larger stretches 32") << QSize(137, 65) << QColor(Qt::blue);
    }
    void iconDrawsItsBestImageStretched() {
        QFETCH(QSize, target);
        QFETCH(QColor, colour);
        const Picture icon = Picture::fromFile(kPictures + "two.ico");
        QImage canvas(target, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        icon.draw(painter, canvas.rect());
        painter.end();
        QCOMPARE(canvas.pixelColor(0, 0), colour);
        QCOMPARE(canvas.pixelColor(target.width() - 1, target.height() - 1), colour);
    }

    void iconNaturalImageIsThe32One() {
        const QImage image = Picture::fromFile(kPictures + "two.ico").toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(image.pixelColor(5, 5), QColor(Qt::blue));
    }

    void metafileIsPlayedStretched() {
        const Picture p = Picture::fromFile(kPictures + "square.emf");
        QImage canvas(50, 40, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        p.draw(painter, QRect(10, 10, 20, 20));
        painter.end();
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

    void paletteBitmapKeepsItsColoursForDrawing() {
        Picture p = Picture::fromFile(kPictures + "palette5x2.bmp");
        const QImage before = p.toImage();
        const QImage& pixels = p.bitmapForDrawing();
        QCOMPARE(pixels.size(), before.size());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(pixels.pixel(x, y), before.pixel(x, y));
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
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("icon") << "two.ico" << QColor(Qt::blue);
        QTest::newRow("metafile") << "square.wmf" << QColor(Qt::cyan);
        QTest::newRow("gif") << "red.gif" << QColor(Qt::red);
    }
    void imageBoxShowsEveryTypeStretched() {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
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
