#include <QPainter>
#include <QtTest>

#include "metafile/Metafile.h"
#include "metafile/MetafileBytes.h"
#include "stores/Error.h"
#include "support/ErrorOf.h"
#include "support/SaveDcClipScenes.h"

using namespace qlx;

namespace {

// Builds Windows metafiles record by record, as old drawing programs write them.
class WmfBuilder {
public:
    void add(uint16_t function, std::initializer_list<int> words) {
        ByteWriter b;
        for (int w : words)
            b.u16(static_cast<uint16_t>(w));
        add(function, b);
    }
    void add(uint16_t function, ByteWriter& params) {
        if (params.size() % 2)
            params.u8(0);
        records_.u32(static_cast<uint32_t>(3 + params.size() / 2));
        records_.u16(function);
        records_.raw(params.bytes().data(), params.size());
    }
    QByteArray finish(bool placeable, QRect bbox = QRect(), int inch = 96, int objects = 4) {
        add(0x0000, {});
        ByteWriter out;
        if (placeable) {
            out.u32(0x9AC6CDD7);
            out.u16(0);
            out.i16(static_cast<int16_t>(bbox.left()));
            out.i16(static_cast<int16_t>(bbox.top()));
            out.i16(static_cast<int16_t>(bbox.left() + bbox.width()));
            out.i16(static_cast<int16_t>(bbox.top() + bbox.height()));
            out.u16(static_cast<uint16_t>(inch));
            out.u32(0);
            out.u16(0); // checksum, unchecked by readers
        }
        out.u16(1);
        out.u16(9);
        out.u16(0x0300);
        out.u32(static_cast<uint32_t>(9 + records_.size() / 2));
        out.u16(static_cast<uint16_t>(objects));
        out.u32(0);
        out.u16(0);
        out.raw(records_.bytes().data(), records_.size());
        return QByteArray(out.bytes().data(), static_cast<qsizetype>(out.size()));
    }

private:
    ByteWriter records_;
};

// A STRETCHDIB record drawing a 24-bit `width` x `height` bitmap of `pixels` (b, g, r, rows
// padded to 4 bytes) over `dest`.
void stretchDib(WmfBuilder& w, QRect dest, int width, int height, std::vector<uint8_t> pixels) {
    ByteWriter p;
    p.u32(0x00CC0020);
    p.u16(0); // DIB_RGB_COLORS
    for (int v : {height, width, 0, 0, dest.height(), dest.width(), dest.top(), dest.left()})
        p.i16(static_cast<int16_t>(v));
    for (uint32_t v : {40u, uint32_t(width), uint32_t(height)}) // header size, width, height
        p.u32(v);
    p.u16(1);
    p.u16(24);
    for (uint32_t v : {0u, uint32_t(pixels.size()), 0u, 0u, 0u, 0u}) // compression, image size
        p.u32(v);
    for (uint8_t v : pixels)
        p.u8(v);
    w.add(0x0F43, p);
}

// A picture of 200 x 100 logical units: a red rectangle on the left half, a green polygon
// on the right, and a 2 x 1 bitmap (blue, yellow) stretched over the bottom strip.
WmfBuilder scene() {
    WmfBuilder w;
    w.add(0x020B, {0, 0});          // SETWINDOWORG y, x
    w.add(0x020C, {100, 200});      // SETWINDOWEXT y, x
    w.add(0x02FA, {5, 0, 0, 0, 0}); // CREATEPENINDIRECT: PS_NULL -> object 0
    w.add(0x012D, {0});
    w.add(0x02FC, {0, 0x00FF, 0x0000, 0}); // CREATEBRUSHINDIRECT red -> object 1
    w.add(0x012D, {1});
    w.add(0x041B, {80, 100, 0, 0});        // RECTANGLE bottom, right, top, left
    w.add(0x01F0, {1});                    // DELETEOBJECT 1: slot 1 is free again
    w.add(0x02FC, {0, 0xFF00, 0x0000, 0}); // green -> object 1 again
    w.add(0x012D, {1});
    w.add(0x0324, {4, 100, 0, 200, 0, 200, 80, 100, 80});                       // POLYGON
    stretchDib(w, QRect(0, 80, 200, 20), 2, 1, {255, 0, 0, 0, 255, 255, 0, 0}); // blue, yellow
    return w;
}

// The steps as a picture of 100 x 100 units: a null pen selected first, each fill its own
// brush, deleted after it.
QByteArray wmfOf(const std::vector<test::ClipStep>& steps) {
    WmfBuilder w;
    w.add(0x020C, {100, 100});      // SETWINDOWEXT y, x
    w.add(0x02FA, {5, 0, 0, 0, 0}); // CREATEPENINDIRECT: PS_NULL -> object 0
    w.add(0x012D, {0});
    for (const test::ClipStep& step : steps) {
        // Clip and fill rectangles as bottom, right, top, left, the right and bottom edges
        // outside.
        const QRect& r = step.rect;
        const std::initializer_list<int> edges = {r.bottom() + 1, r.right() + 1, r.top(), r.left()};
        switch (step.kind) {
        case test::ClipStep::SaveDc:
            w.add(0x001E, {});
            break;
        case test::ClipStep::RestoreDc:
            w.add(0x0127, {step.level});
            break;
        case test::ClipStep::IntersectClip:
            w.add(0x0416, edges);
            break;
        case test::ClipStep::ExcludeClip:
            w.add(0x0415, edges);
            break;
        case test::ClipStep::Fill: {
            const QRgb c = step.colour.rgb();
            w.add(0x02FC, {0, qRed(c) | qGreen(c) << 8, qBlue(c), 0}); // brush -> object 1
            w.add(0x012D, {1});
            w.add(0x041B, edges); // RECTANGLE
            w.add(0x01F0, {1});   // DELETEOBJECT
            break;
        }
        }
    }
    return w.finish(false);
}

QImage play(const Metafile& m, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m.play(p, QRectF(QPointF(0, 0), size));
    return img;
}

void put16(QByteArray& b, qsizetype at, uint16_t v) {
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}

} // namespace

class WmfTest : public QObject {
    Q_OBJECT
private slots:
    void playsColoursAtTheirPlaces_data() {
        QTest::addColumn<bool>("placeable");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<QSize>("pictureSize");
        QTest::newRow("plain, 100%") << false << QSize(200, 100) << QSize(200, 100);
        QTest::newRow("plain, 50%") << false << QSize(100, 50) << QSize(200, 100);
        QTest::newRow("placeable 1440/inch, 200%") << true << QSize(400, 200) << QSize(13, 7);
    }
    void playsColoursAtTheirPlaces() {
        QFETCH(bool, placeable);
        QFETCH(QSize, target);
        QFETCH(QSize, pictureSize);
        const QByteArray bytes =
            scene().finish(placeable, QRect(0, 0, 200, 100), placeable ? 1440 : 96);
        const Metafile m = Metafile::fromBytes(bytes);
        QCOMPARE(m.format(), Metafile::Format::Wmf);
        QCOMPARE(m.size(), pictureSize);
        const QImage img = play(m, target);
        const double sx = target.width() / 200.0, sy = target.height() / 100.0;
        auto at = [&](int x, int y) {
            return img.pixelColor(qRound(x * sx), qRound(y * sy));
        };
        QCOMPARE(at(50, 40), QColor(Qt::red));
        QCOMPARE(at(150, 40), QColor(Qt::green));
        QCOMPARE(at(50, 90), QColor(Qt::blue));
        QCOMPARE(at(150, 90), QColor(Qt::yellow));
    }

    void windowOriginShiftsThePicture() {
        WmfBuilder w;
        w.add(0x020B, {-50, -100}); // window origin (-100, -50)
        w.add(0x020C, {100, 200});
        w.add(0x02FC, {0, 0x0000, 0x00FF, 0}); // blue brush
        w.add(0x012D, {0});
        w.add(0x041B, {0, 0, -50, -100}); // the top-left quarter of the window
        const Metafile m = Metafile::fromBytes(w.finish(false));
        const QImage img = play(m, QSize(200, 100));
        QCOMPARE(img.pixelColor(40, 20), QColor(Qt::blue));
        QCOMPARE(img.pixelColor(150, 70), QColor(Qt::white));
    }

    // A clip set after SaveDC is gone after RestoreDC, and one set before it is back.
    void restoreDcTakesBackTheClip_data() {
        QTest::addColumn<test::ClipScene>("scene");
        for (const test::ClipScene& scene : test::saveDcClipScenes())
            QTest::newRow(scene.name) << scene;
    }
    void restoreDcTakesBackTheClip() {
        QFETCH(test::ClipScene, scene);
        const QImage img = play(Metafile::fromBytes(wmfOf(scene.steps)), QSize(100, 100));
        QCOMPARE(test::pixelColours(scene, &img), test::pixelColours(scene));
    }

    void textOutDrawsText() {
        WmfBuilder w;
        w.add(0x020C, {60, 200});
        ByteWriter font; // CREATEFONTINDIRECT: height -40, weight 700, face "Liberation Sans"
        font.i16(-40);
        for (int i = 0; i < 3; ++i)
            font.i16(0);
        font.i16(700);
        for (int i = 0; i < 8; ++i)
            font.u8(0);
        font.raw("Liberation Sans", 16);
        w.add(0x02FB, font);
        w.add(0x012D, {0});
        w.add(0x0102, {1}); // transparent background
        ByteWriter text;    // TEXTOUT "MMMM" at (10, 10)
        text.u16(4);
        text.raw("MMMM", 4);
        text.i16(10);
        text.i16(10);
        w.add(0x0521, text);
        const QImage img = play(Metafile::fromBytes(w.finish(false)), QSize(200, 60));
        int dark = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 200; ++x)
                dark += qGray(img.pixel(x, y)) < 128;
        QVERIFY2(dark > 200, qPrintable(QString::number(dark)));
        QCOMPARE(img.pixelColor(5, 5), QColor(Qt::white)); // left of and above the text
    }

    void damagedWmfIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray good = scene().finish(false);
        const qsizetype first = 18; // the first record
        QTest::newRow("truncated header") << good.left(10) << "not a metafile";
        QByteArray b = good;
        b[first] = 0, b[first + 1] = 0, b[first + 2] = 0, b[first + 3] = 0;
        QTest::newRow("record size 0") << b << "invalid size";
        b = good;
        b[first + 3] = 0x40;
        QTest::newRow("record past the end") << b << "invalid size";
        QTest::newRow("no end record") << good.left(good.size() - 6) << "end-of-file";
        b = good;
        put16(b, 10, 1); // one object, but the scene needs two
        QTest::newRow("object table too small") << b << "object table";
        // A file of a window size and one record, `times` over.
        const auto sized = [](uint16_t function, std::initializer_list<int> words, int times = 1) {
            WmfBuilder w;
            w.add(0x020C, {10, 10});
            for (int i = 0; i < times; ++i)
                w.add(function, words);
            return w.finish(false);
        };
        QTest::newRow("object index outside the table") << sized(0x012D, {300}) << "outside";
        QTest::newRow("point count beyond the record") << sized(0x0324, {30000, 1, 1}) << "points";
        WmfBuilder noSize;
        noSize.add(0x041B, {1, 1, 0, 0});
        QTest::newRow("no size at all") << noSize.finish(false) << "no picture size";
        QTest::newRow("placeable without units")
            << scene().finish(true, QRect(0, 0, 10, 10), 0) << "units per inch";
        WmfBuilder bigDib;
        bigDib.add(0x020C, {10, 10});
        stretchDib(bigDib, QRect(0, 0, 1, 1), 30000, 30000, {});
        QTest::newRow("bitmap larger than the limit") << bigDib.finish(false) << "too large";
        QTest::newRow("SaveDC nested too deeply") << sized(0x001E, {}, 1100) << "too deeply";
    }
    void damagedWmfIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString error = test::errorOf([&] { Metafile::fromBytes(bytes); });
        QVERIFY2(error != "no error" && error.contains(message), qPrintable(error));
    }
};

QTEST_MAIN(WmfTest)
#include "tst_wmf.moc"
