#include <QPainter>
#include <QPainterPath>
#include <QtTest>
#include <set>

#include <emf2svg.h>
#include <uemf.h>
#include <uemf_endian.h>
#include <uemf_safe.h>

#include "metafile/EmfReader.h"
#include "metafile/EmfRecorder.h"
#include "metafile/EmfRecords.h"
#include "metafile/Metafile.h"
#include "metafile/MetafileBytes.h"
#include "stores/Error.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/SaveDcClipScenes.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

// Scenes drawn once into the recorder and once straight into an image.
enum class Scene {
    FilledRect,
    OutlinedRect,
    Lines,
    Polygon,
    Ellipse,
    Text,
    OpaqueText,
    Image24,
    Image32Alpha,
    StretchedImage,
    ClippedRect,
    Path,
    Translated,
    Sheet
};

QImage labelImage(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         qRgb((x * 7 + seed * 40) % 256, (y * 5 + seed * 13) % 256,
                              ((x + y) * 3 + seed) % 256));
    return img;
}

QFont testFont(int px) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(px);
    return f;
}

void drawScene(QPainter& p, Scene scene) {
    switch (scene) {
    case Scene::FilledRect:
        p.fillRect(QRect(10, 12, 70, 40), QColor(200, 30, 40));
        p.fillRect(QRect(100, 60, 5, 80), Qt::blue);
        break;
    case Scene::OutlinedRect:
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(QRect(20, 20, 120, 60));
        p.setPen(QPen(Qt::darkGreen, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(50, 90, 60, 30));
        break;
    case Scene::Lines:
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(10, 10, 190, 10);
        p.drawLine(10, 20, 10, 140);
        p.setPen(QPen(Qt::red, 4));
        p.drawLine(30, 40, 170, 40);
        break;
    case Scene::Polygon:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 120, 220));
        p.drawPolygon(QPolygon({QPoint(20, 20), QPoint(180, 30), QPoint(100, 130)}));
        break;
    case Scene::Ellipse:
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::magenta);
        p.drawEllipse(QRect(30, 30, 120, 80));
        break;
    case Scene::Text:
        p.setFont(testFont(20));
        p.setPen(Qt::black);
        p.drawText(QPoint(15, 60), QStringLiteral("Quartz SiO2"));
        p.setFont(testFont(13));
        p.setPen(QColor(0, 0, 160));
        p.drawText(QPoint(15, 110), QStringLiteral("Långban, Sweden"));
        break;
    case Scene::OpaqueText:
        p.fillRect(QRect(0, 0, 200, 150), Qt::gray);
        p.setFont(testFont(18));
        p.setPen(Qt::black);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(Qt::white);
        p.drawText(QPoint(20, 70), QStringLiteral("Opaque cell"));
        break;
    case Scene::Image24:
        p.drawImage(QRect(10, 10, 64, 48), labelImage(64, 48, 1));
        break;
    case Scene::Image32Alpha: {
        p.fillRect(QRect(0, 0, 200, 150), QColor(255, 255, 0));
        QImage a(40, 40, QImage::Format_ARGB32);
        a.fill(Qt::transparent);
        QPainter(&a).fillRect(10, 10, 20, 20, Qt::blue);
        p.drawImage(QRect(50, 50, 40, 40), a);
        break;
    }
    case Scene::StretchedImage:
        p.drawImage(QRect(5, 5, 190, 140), labelImage(57, 36, 2));
        break;
    case Scene::ClippedRect:
        p.setClipRect(QRect(40, 40, 60, 50));
        p.fillRect(QRect(0, 0, 200, 150), QColor(10, 160, 10));
        p.setClipping(false);
        p.fillRect(QRect(150, 100, 20, 20), Qt::red);
        break;
    case Scene::Path: {
        QPainterPath path;
        path.moveTo(20, 20);
        path.lineTo(180, 20);
        path.cubicTo(180, 120, 20, 120, 20, 20);
        path.closeSubpath();
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(250, 180, 0));
        p.drawPath(path);
        break;
    }
    case Scene::Translated:
        p.translate(30, 25);
        p.scale(2, 2);
        p.fillRect(QRect(0, 0, 30, 20), Qt::darkCyan);
        p.setPen(Qt::black);
        p.drawLine(0, 30, 40, 30);
        break;
    case Scene::Sheet: {
        // The sheet in small: a ruled title box, title text, fifteen stretched labels.
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRect(8, 2, 120, 14));
        p.setFont(testFont(11));
        p.drawText(QPoint(20, 13), QStringLiteral("Quillmar Mineral Label Studio"));
        for (int n = 0; n < 15; ++n) {
            const int row = n / 3, col = n % 3;
            p.drawImage(QRect(6 + col * 64, 20 + row * 26, 58, 23), labelImage(90, 57, n));
        }
        break;
    }
    }
}

const QSize PageSize(200, 150);

Metafile record(Scene scene) {
    EmfRecorder recorder(PageSize, 96);
    QPainter p(&recorder);
    drawScene(p, scene);
    p.end();
    return recorder.finish();
}

QImage direct(Scene scene) {
    QImage img(PageSize, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    drawScene(p, scene);
    return img;
}

// `m` played into `target` (the whole image when empty) on white.
QImage played(const Metafile& m, QSize size, QRectF target = {}) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m.play(p, target.isEmpty() ? QRectF(QPointF(0, 0), size) : target);
    return img;
}

// The steps written by libUEMF to `path` as a picture of 100 x 100 pixels at 96 per inch: a
// null pen selected first, each fill its own brush, deleted after it.
std::string emfOf(const std::vector<test::ClipStep>& steps, const QByteArray& path) {
    EMFTRACK* et = nullptr;
    EMFHANDLES* eht = nullptr;
    if (emf_start(path.constData(), 4096, 4096, &et) != 0 || emf_htable_create(16, 16, &eht) != 0)
        return {};
    auto append = [&](char* rec) {
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(rec), et, U_REC_FREE);
    };
    append(U_EMRHEADER_set(rectl_set(pointl_set(0, 0), pointl_set(99, 99)),
                           rectl_set(pointl_set(0, 0), pointl_set(2646, 2646)), nullptr, 0, nullptr,
                           sizel_set(1920, 1440), sizel_set(508, 381), 0));
    append(selectobject_set(U_NULL_PEN, eht));
    for (const test::ClipStep& step : steps) {
        // The right and bottom edges outside, as GDI takes them.
        const QRect& r = step.rect;
        const U_RECTL box =
            rectl_set(pointl_set(r.left(), r.top()), pointl_set(r.right() + 1, r.bottom() + 1));
        switch (step.kind) {
        case test::ClipStep::SaveDc:
            append(U_EMRSAVEDC_set());
            break;
        case test::ClipStep::RestoreDc:
            append(U_EMRRESTOREDC_set(step.level));
            break;
        case test::ClipStep::IntersectClip:
            append(U_EMRINTERSECTCLIPRECT_set(box));
            break;
        case test::ClipStep::ExcludeClip:
            append(U_EMREXCLUDECLIPRECT_set(box));
            break;
        case test::ClipStep::Fill: {
            uint32_t brush = 0;
            const QColor c = step.colour;
            append(createbrushindirect_set(
                &brush, eht, logbrush_set(U_BS_SOLID, U_RGB(c.red(), c.green(), c.blue()), 0)));
            append(selectobject_set(brush, eht));
            append(U_EMRRECTANGLE_set(box));
            append(deleteobject_set(&brush, eht));
            break;
        }
        }
    }
    append(U_EMREOF_set(0, nullptr, et));
    const int finished = emf_finish(et, eht);
    emf_free(&et);
    emf_htable_free(&eht);
    return finished == 0 ? test::readFile(QString::fromLocal8Bit(path)) : std::string();
}

// Pixels whose colour differs by more than a small tolerance in any channel.
int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 40 || std::abs(qGreen(p) - qGreen(q)) > 40 ||
                std::abs(qBlue(p) - qBlue(q)) > 40)
                ++n;
        }
    return n;
}

struct RecordInfo {
    uint32_t type;
    size_t offset;
    uint32_t size;
};

std::vector<RecordInfo> walk(const QByteArray& bytes) {
    std::vector<RecordInfo> out;
    const ByteView v(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<size_t>(bytes.size()));
    size_t at = 0;
    while (v.fits(at, 8)) {
        const uint32_t size = v.u32(at + 4);
        out.push_back({v.u32(at), at, size});
        if (size < 8)
            break;
        at += size;
    }
    return out;
}

ByteView view(const QByteArray& b) {
    return ByteView(reinterpret_cast<const unsigned char*>(b.constData()),
                    static_cast<size_t>(b.size()));
}

void put32(QByteArray& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[static_cast<qsizetype>(at + i)] = static_cast<char>(v >> (8 * i));
}

// Builds enhanced metafiles record by record the way other programs write them.
class EmfBuilder {
public:
    EmfBuilder(QRect bounds, QRect frame01mm, uint16_t handles) {
        ByteWriter h;
        for (int v : {bounds.left(), bounds.top(), bounds.right(), bounds.bottom()})
            h.i32(v);
        for (int v : {frame01mm.left(), frame01mm.top(), frame01mm.right(), frame01mm.bottom()})
            h.i32(v);
        // Signature, version, size and record count (set by finish()), handles, reserved,
        // description length and offset, palette entries.
        for (uint32_t v : {emr::kSignature, emr::kVersion, 0u, 0u, uint32_t(handles), 0u, 0u, 0u})
            h.u32(v);
        for (int v : {1024, 768, 320, 240}) // a 81.28 dpi reference device
            h.i32(v);
        add(emr::HEADER, h);
    }
    void add(uint32_t type, ByteWriter& body) {
        body.padTo4();
        out_.u32(type);
        out_.u32(static_cast<uint32_t>(body.size() + 8));
        out_.raw(body.bytes().data(), body.size());
        ++records_;
    }
    void add(uint32_t type, std::initializer_list<int32_t> values) {
        ByteWriter b;
        for (int32_t v : values)
            b.i32(v);
        add(type, b);
    }
    QByteArray finish() {
        add(emr::EOF_, {0, 16, 20});
        std::string s = out_.bytes();
        QByteArray b(s.data(), static_cast<qsizetype>(s.size()));
        put32(b, 48, static_cast<uint32_t>(b.size()));
        put32(b, 52, records_);
        return b;
    }

private:
    ByteWriter out_;
    uint32_t records_ = 0;
};

using HeaderRow = std::tuple<QSize, double, int, int>; // frame right and bottom
// Family, pixel size, bold, italic, underlined and struck out, text.
using FontRow = std::tuple<QString, int, bool, bool, bool, QString>;
using DibRow = std::tuple<bool, QRect, int>;

} // namespace

Q_DECLARE_METATYPE(Scene)

class EmfTest : public QObject {
    Q_OBJECT

    void scenes() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<int>("allowed"); // differing pixels allowed (antialiased glyph edges)
        QTest::newRow("filled rectangles") << Scene::FilledRect << 0;
        QTest::newRow("outlined rectangles") << Scene::OutlinedRect << 0;
        QTest::newRow("lines") << Scene::Lines << 4;
        QTest::newRow("polygon") << Scene::Polygon << 8;
        QTest::newRow("ellipse") << Scene::Ellipse << 12;
        QTest::newRow("text") << Scene::Text << 40;
        QTest::newRow("opaque text") << Scene::OpaqueText << 40;
        QTest::newRow("24-bit image") << Scene::Image24 << 0;
        QTest::newRow("32-bit image with alpha") << Scene::Image32Alpha << 0;
        QTest::newRow("stretched image") << Scene::StretchedImage << 0;
        QTest::newRow("clip rectangle") << Scene::ClippedRect << 0;
        QTest::newRow("path with curve") << Scene::Path << 60;
        QTest::newRow("painter transform") << Scene::Translated << 4;
        QTest::newRow("sheet") << Scene::Sheet << 40;
    }

private slots:
    // --- Recording and playing back ----------------------------------------------------

    void roundTripMatchesDirectDrawing_data() { scenes(); }
    void roundTripMatchesDirectDrawing() {
        QFETCH(Scene, scene);
        QFETCH(int, allowed);
        const Metafile m = record(scene);
        // Through bytes and the reader, as the page store will do.
        const Metafile reread = Metafile::fromBytes(m.bytes());
        const QImage expected = direct(scene);
        const QImage got = played(reread, PageSize);
        QVERIFY(expected != direct(Scene::FilledRect) || scene == Scene::FilledRect);
        const int diff = differingPixels(expected, got);
        if (diff > allowed) {
            got.save(QStringLiteral(QLX_BINARY_DIR "/emf-got.png"));
            expected.save(QStringLiteral(QLX_BINARY_DIR "/emf-expected.png"));
            test::writeFile(QStringLiteral(QLX_BINARY_DIR "/emf-got.emf"), m.bytes().toStdString());
        }
        QVERIFY2(diff <= allowed, qPrintable(QStringLiteral("%1 pixels differ").arg(diff)));
    }

    void playbackStretchesIntoTarget_data() {
        QTest::addColumn<QRectF>("target");
        QTest::newRow("200%") << QRectF(0, 0, 400, 300);
        QTest::newRow("50% with offset") << QRectF(20, 10, 100, 75);
        QTest::newRow("distorted") << QRectF(0, 0, 400, 75);
    }
    void playbackStretchesIntoTarget() {
        QFETCH(QRectF, target);
        const QImage img = played(record(Scene::FilledRect), QSize(400, 300), target);
        const double sx = target.width() / PageSize.width();
        const double sy = target.height() / PageSize.height();
        // The red rectangle (10,12)-(80,52) lands scaled and moved.
        const QPoint inside(qRound(target.left() + 45 * sx), qRound(target.top() + 32 * sy));
        const QPoint outside(qRound(target.left() + 90 * sx), qRound(target.top() + 32 * sy));
        QCOMPARE(img.pixelColor(inside), QColor(200, 30, 40));
        QCOMPARE(img.pixelColor(outside), QColor(Qt::white));
    }

    // Playing keeps within the caller's clip and leaves the painter's pen and clip as they were.
    void playKeepsCallersPainterState() {
        const Metafile m = record(Scene::ClippedRect);
        QImage img(PageSize, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setPen(QPen(Qt::cyan, 7));
        p.setClipRect(QRect(0, 0, 60, 150));
        m.play(p, QRectF(0, 0, 200, 150));
        QCOMPARE(p.pen().color(), QColor(Qt::cyan));
        QCOMPARE(p.pen().width(), 7);
        QCOMPARE(p.clipBoundingRect(), QRectF(0, 0, 60, 150));
        p.end();
        QCOMPARE(img.pixelColor(50, 60), QColor(10, 160, 10)); // inside both clips
        QCOMPARE(img.pixelColor(80, 60), QColor(Qt::white));   // outside the caller's
        QCOMPARE(img.pixelColor(160, 110), QColor(Qt::white)); // ditto
    }

    // --- The bytes we write ------------------------------------------------------------

    void headerFields_data() {
        // The frame is the page in hundredths of a millimetre at the recording resolution.
        test::dataRows<HeaderRow>({
            {"A4 at 96 dpi", {{794, 1123}, 96, 21008, 29713}},
            {"small at 96 dpi", {{200, 150}, 96, 5292, 3969}},
            {"A4 at 300 dpi", {{2480, 3508}, 300, 20997, 29701}},
        });
    }
    void headerFields() {
        QFETCH(HeaderRow, row);
        const auto [page, dpi, frameRight, frameBottom] = row;
        EmfRecorder recorder(page, dpi);
        QPainter p(&recorder);
        p.fillRect(QRect(1, 1, 5, 5), Qt::red);
        p.end();
        const Metafile m = recorder.finish();
        const QByteArray b = m.bytes();
        const ByteView v = view(b);
        QCOMPARE(v.u32(0), 1u);
        QCOMPARE(v.u32(40), 0x464D4520u);
        QCOMPARE(v.i32(8), 0);
        QCOMPARE(v.i32(16), page.width() - 1);
        QCOMPARE(v.i32(20), page.height() - 1);
        QCOMPARE(v.i32(32), frameRight);
        QCOMPARE(v.i32(36), frameBottom);
        QCOMPARE(v.u32(48), static_cast<uint32_t>(b.size()));
        const auto records = walk(b);
        QCOMPARE(v.u32(52), static_cast<uint32_t>(records.size()));
        QCOMPARE(records.back().type, static_cast<uint32_t>(emr::EOF_));
        QCOMPARE(records.back().offset + records.back().size, static_cast<size_t>(b.size()));
        // The reference device is a screen at the recording resolution.
        QVERIFY(std::fabs(v.i32(72) / double(v.i32(80)) * 25.4 - dpi) < 1e-9);
        QVERIFY(std::fabs(v.i32(76) / double(v.i32(84)) * 25.4 - dpi) < 1e-9);
        QCOMPARE(m.size(), page);
        QCOMPARE(m.frameMm(), QSizeF(frameRight / 100.0, frameBottom / 100.0));
        // The description names the program.
        const uint32_t nDesc = v.u32(60), offDesc = v.u32(64);
        QString desc;
        for (uint32_t i = 0; i < nDesc; ++i)
            desc.append(QChar(v.u16(offDesc + 2 * i)));
        QVERIFY(desc.startsWith(QStringLiteral("Quillmar Mineral Label Studio")));
    }

    // Every record passes libUEMF's own checks, an independent reader's, up to the end of the
    // file; the object handles stay few, and each is deleted once it is no longer selected.
    void recordsAreSound_data() { scenes(); }
    void recordsAreSound() {
        QFETCH(Scene, scene);
        const QByteArray b = record(scene).bytes();
        const ByteView v = view(b);
        const uint16_t nHandles = v.u16(56);
        QVERIFY(nHandles >= 1);
        QVERIFY2(nHandles <= 5, qPrintable(QString::number(nHandles)));
        const auto records = walk(b);
        QVERIFY(records.size() >= 3);
        std::set<uint32_t> live;
        for (const RecordInfo& r : records) {
            const char* rec = b.constData() + r.offset;
            uint32_t size = 0, type = 0;
            QVERIFY2(U_emf_record_sizeok(rec, b.constData() + b.size(), &size, &type, 1) &&
                         U_emf_record_safe(rec),
                     qPrintable(QStringLiteral("record type %1 rejected").arg(r.type)));
            if (r.type == emr::EXTCREATEPEN || r.type == emr::CREATEBRUSHINDIRECT ||
                r.type == emr::EXTCREATEFONTINDIRECTW) {
                const uint32_t h = v.u32(r.offset + 8);
                QVERIFY(h > 0 && h < nHandles);
                QVERIFY2(live.insert(h).second, "a handle was created twice without a delete");
            } else if (r.type == emr::DELETEOBJECT) {
                QVERIFY(live.erase(v.u32(r.offset + 8)) == 1);
            } else if (r.type == emr::SELECTOBJECT) {
                const uint32_t h = v.u32(r.offset + 8);
                QVERIFY((h & emr::kStockFlag) || live.count(h) == 1);
            }
        }
        QVERIFY(live.empty());
    }

    void fontAndTextRecords_data() {
        test::dataRows<FontRow>({
            {"plain", {"Liberation Sans", 16, false, false, false, "Calcite"}},
            {"bold italic", {"Liberation Serif", 21, true, true, false, "CaCO3"}},
            {"underline strike", {"DejaVu Sans", 12, false, false, true, "Ærøskøbing"}},
        });
    }
    void fontAndTextRecords() {
        QFETCH(FontRow, row);
        const auto [family, pixels, bold, italic, lines, text] = row;
        EmfRecorder recorder(PageSize, 96);
        QPainter p(&recorder);
        QFont f(family);
        f.setPixelSize(pixels);
        f.setBold(bold);
        f.setItalic(italic);
        f.setUnderline(lines);
        f.setStrikeOut(lines);
        p.setFont(f);
        p.setPen(QColor(10, 20, 30));
        p.drawText(QPoint(33, 44), text);
        p.end();
        const QByteArray b = recorder.finish().bytes();
        const ByteView v = view(b);
        bool sawFont = false, sawText = false;
        uint32_t textColour = 0, align = 0;
        for (const RecordInfo& r : walk(b)) {
            const ByteView rec = v.sub(r.offset, r.size, "record");
            if (r.type == emr::SETTEXTCOLOR)
                textColour = rec.u32(8);
            if (r.type == emr::SETTEXTALIGN)
                align = rec.u32(8);
            if (r.type == emr::EXTCREATEFONTINDIRECTW) {
                sawFont = true;
                QCOMPARE(rec.i32(12), -pixels);
                QCOMPARE(rec.i32(28), bold ? 700 : 400);
                QCOMPARE(rec.u8(32) != 0, italic);
                QCOMPARE(rec.u8(33) != 0, lines); // underline
                QCOMPARE(rec.u8(34) != 0, lines); // strike-out
                QString face;
                for (int i = 0; i < 32 && rec.u16(40 + 2 * i); ++i)
                    face.append(QChar(rec.u16(40 + 2 * i)));
                QCOMPARE(face, family);
            }
            if (r.type == emr::EXTTEXTOUTW) {
                sawText = true;
                QCOMPARE(rec.i32(36), 33);
                QCOMPARE(rec.i32(40), 44);
                const uint32_t n = rec.u32(44), off = rec.u32(48), offDx = rec.u32(72);
                QString got;
                for (uint32_t i = 0; i < n; ++i)
                    got.append(QChar(rec.u16(off + 2 * i)));
                QCOMPARE(got, text);
                // The advances add up to the text's width in that font.
                int sum = 0;
                for (uint32_t i = 0; i < n; ++i)
                    sum += rec.i32(offDx + 4 * i);
                QCOMPARE(sum, qRound(QFontMetricsF(f).horizontalAdvance(text)));
            }
        }
        QVERIFY(sawFont);
        QVERIFY(sawText);
        QCOMPARE(textColour, 10u | (20u << 8) | (30u << 16));
        QCOMPARE(align, 24u); // TA_BASELINE: the painter's text position is the baseline
    }

    void stretchDibitsRecords_data() {
        // With alpha, the target, the bytes of a row of 9 pixels padded to 4.
        test::dataRows<DibRow>({
            {"opaque: 24-bit", {false, {5, 6, 100, 50}, 28}},
            {"alpha: 32-bit", {true, {0, 0, 13, 7}, 36}},
        });
    }
    void stretchDibitsRecords() {
        QFETCH(DibRow, row);
        const auto [alpha, dest, stride] = row;
        QImage img(9, 5, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        img.fill(qRgba(1, 2, 3, 255));
        img.setPixel(0, 0, qRgba(200, 100, 50, alpha ? 128 : 255));
        EmfRecorder recorder(PageSize, 96);
        QPainter p(&recorder);
        p.drawImage(dest, img);
        p.end();
        const QByteArray b = recorder.finish().bytes();
        const ByteView v = view(b);
        int seen = 0;
        for (const RecordInfo& r : walk(b)) {
            if (r.type == emr::SETSTRETCHBLTMODE)
                QCOMPARE(v.u32(r.offset + 8), 3u); // COLORONCOLOR
            if (r.type != emr::STRETCHDIBITS)
                continue;
            ++seen;
            const ByteView rec = v.sub(r.offset, r.size, "record");
            QCOMPARE(QRect(rec.i32(24), rec.i32(28), rec.i32(72), rec.i32(76)), dest);
            QCOMPARE(rec.u32(68), 0x00CC0020u);
            const uint32_t offBmi = rec.u32(48), offBits = rec.u32(56);
            QCOMPARE(rec.i32(offBmi + 4), 9);
            QCOMPARE(rec.i32(offBmi + 8), 5);
            const int bpp = rec.u16(offBmi + 14);
            QCOMPARE(bpp, alpha ? 32 : 24);
            QCOMPARE(rec.u32(60), static_cast<uint32_t>(stride * 5));
            // Bottom-up: the image's top-left pixel starts the last row.
            const size_t top = offBits + size_t(stride) * 4;
            QCOMPARE(rec.u8(top), 50);
            QCOMPARE(rec.u8(top + 1), 100);
            QCOMPARE(rec.u8(top + 2), 200);
            if (alpha)
                QCOMPARE(rec.u8(top + 3), 128);
        }
        QCOMPARE(seen, 1);
    }

    // --- An independent reader --------------------------------------------------------

    // emf2svg, another reader, finds the texts of the text scene.
    void emf2svgConvertsOurText() {
        QByteArray b = record(Scene::Text).bytes();
        generatorOptions options{};
        options.nameSpace = const_cast<char*>("svg");
        options.svgDelimiter = true;
        options.imgWidth = PageSize.width();
        options.imgHeight = PageSize.height();
        char* out = nullptr;
        size_t outLength = 0;
        const int ok = emf2svg(b.data(), static_cast<size_t>(b.size()), &out, &outLength, &options);
        const QByteArray svg(out, static_cast<qsizetype>(outLength));
        free(out);
        QVERIFY(ok);
        QVERIFY(svg.contains("<svg"));
        for (const char* text : {"Quartz SiO2", "Långban, Sweden"})
            QVERIFY2(svg.contains(text), svg.left(2000).constData());
    }

    // --- Other writers' files ----------------------------------------------------------

    void fileWrittenByLibUemf() {
        // An EMF from an independent writer: MM_ANISOTROPIC mapping of 1000 logical units
        // onto 100 pixels, a red rectangle, a green ellipse moved by a world transform that
        // RestoreDC takes back, a paletted bitmap and a blue 16-bit polygon.
        QTemporaryDir dir;
        const QByteArray path = dir.filePath(QStringLiteral("uemf.emf")).toLocal8Bit();
        EMFTRACK* et = nullptr;
        EMFHANDLES* eht = nullptr;
        QCOMPARE(emf_start(path.constData(), 4096, 4096, &et), 0);
        QCOMPARE(emf_htable_create(16, 16, &eht), 0);
        const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(99, 99));
        const U_RECTL frame = rectl_set(pointl_set(0, 0), pointl_set(2646, 2646));
        emf_append(
            reinterpret_cast<U_ENHMETARECORD*>(U_EMRHEADER_set(
                bounds, frame, nullptr, 0, nullptr, sizel_set(1920, 1440), sizel_set(508, 381), 0)),
            et, U_REC_FREE);
        auto append = [&](char* rec) {
            emf_append(reinterpret_cast<U_ENHMETARECORD*>(rec), et, U_REC_FREE);
        };
        append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        append(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
        append(U_EMRSETVIEWPORTEXTEX_set(sizel_set(100, 100)));
        append(selectobject_set(U_NULL_PEN, eht));
        uint32_t brush = 0;
        append(createbrushindirect_set(&brush, eht, logbrush_set(U_BS_SOLID, U_RGB(255, 0, 0), 0)));
        append(selectobject_set(brush, eht));
        append(U_EMRRECTANGLE_set(rectl_set(pointl_set(0, 0), pointl_set(500, 500))));
        append(deleteobject_set(&brush, eht));
        append(U_EMRSAVEDC_set());
        append(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 500, 0)));
        append(createbrushindirect_set(&brush, eht, logbrush_set(U_BS_SOLID, U_RGB(0, 255, 0), 0)));
        append(selectobject_set(brush, eht));
        append(U_EMRELLIPSE_set(rectl_set(pointl_set(0, 0), pointl_set(500, 500))));
        append(deleteobject_set(&brush, eht));
        append(U_EMRRESTOREDC_set(-1));
        // A 2 x 1 bitmap of two palette entries (magenta, yellow) over (0,500)-(1000,600).
        U_RGBQUAD palette[] = {rgbquad_set(255, 0, 255, 0), rgbquad_set(255, 255, 0, 0)};
        PU_BITMAPINFO bmi = bitmapinfo_set(
            bitmapinfoheader_set(2, 1, 1, U_BCBM_COLOR8, U_BI_RGB, 4, 0, 0, 2, 0), palette);
        char bits[] = {0, 1, 0, 0};
        append(U_EMRSTRETCHDIBITS_set(rectl_set(pointl_set(0, 500), pointl_set(1000, 600)),
                                      pointl_set(0, 500), pointl_set(1000, 100), pointl_set(0, 0),
                                      pointl_set(2, 1), U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 4, bits));
        free(bmi);
        append(createbrushindirect_set(&brush, eht, logbrush_set(U_BS_SOLID, U_RGB(0, 0, 255), 0)));
        append(selectobject_set(brush, eht));
        const U_POINT16 tri[] = {point16_set(0, 600), point16_set(1000, 600),
                                 point16_set(500, 1000)};
        append(U_EMRPOLYGON16_set(rectl_set(pointl_set(0, 600), pointl_set(1000, 1000)), 3, tri));
        append(U_EMREOF_set(0, nullptr, et));
        QCOMPARE(emf_finish(et, eht), 0);
        emf_free(&et);
        emf_htable_free(&eht);

        const std::string bytes = test::readFile(QString::fromLocal8Bit(path));
        QVERIFY(!bytes.empty());
        const Metafile m = Metafile::fromBytes(bytes);
        QCOMPARE(m.size(), QSize(100, 100));
        const QImage img = played(m, QSize(200, 200)); // at 200%
        QCOMPARE(img.pixelColor(50, 50), QColor(Qt::red));
        QCOMPARE(img.pixelColor(150, 50), QColor(Qt::green));
        QCOMPARE(img.pixelColor(105, 95), QColor(Qt::white)); // outside the ellipse
        QCOMPARE(img.pixelColor(50, 110), QColor(Qt::magenta));
        QCOMPARE(img.pixelColor(150, 110), QColor(Qt::yellow));
        QCOMPARE(img.pixelColor(100, 140), QColor(Qt::blue));
        QCOMPARE(img.pixelColor(20, 190), QColor(Qt::white)); // beside the triangle tip
    }

    // A clip set after SaveDC is gone after RestoreDC, and one set before it is back.
    void restoreDcTakesBackTheClip_data() {
        QTest::addColumn<test::ClipScene>("scene");
        for (const test::ClipScene& scene : test::saveDcClipScenes())
            QTest::newRow(scene.name) << scene;
    }
    void restoreDcTakesBackTheClip() {
        QFETCH(test::ClipScene, scene);
        QTemporaryDir dir;
        const std::string bytes = emfOf(scene.steps, dir.filePath("clip.emf").toLocal8Bit());
        QVERIFY(!bytes.empty());
        const Metafile m = Metafile::fromBytes(bytes);
        QCOMPARE(m.size(), QSize(100, 100));
        const QImage img = played(m, QSize(100, 100));
        QCOMPARE(test::pixelColours(scene, &img), test::pixelColours(scene));
    }

    // --- Bad input ---------------------------------------------------------------------

    // Inputs the fuzzer found that once crashed playback; each must read and play.
    void fuzzFindsPlay_data() {
        QTest::addColumn<QString>("file");
        // Text at 4000 px under a world transform that squeezes it to a fraction of a pixel
        // high (0.28 and 0.76 px): Qt's glyph cache read a null glyph bitmap.
        QTest::newRow("text squeezed below a pixel") << "squeezed-text.emf";
        QTest::newRow("text squeezed to under a pixel high") << "squeezed-text-2.emf";
    }
    void fuzzFindsPlay() {
        QFETCH(QString, file);
        const std::string bytes = test::readFile(QString(QLX_TEST_DATA) + "/emf/" + file);
        QVERIFY(!bytes.empty());
        const Metafile m = Metafile::fromBytes(bytes);
        for (const QSize size : {QSize(48, 32), QSize(640, 480)})
            played(m, size);
    }

    void damagedEmfIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray good = record(Scene::Sheet).bytes();
        const auto records = walk(good);
        auto firstOf = [&](uint32_t type) {
            for (const RecordInfo& r : records)
                if (r.type == type)
                    return r;
            return RecordInfo{0, 0, 0};
        };
        const size_t second = records[1].offset;
        const auto row = [](const char* tag, const QByteArray& bytes, const char* message) {
            QTest::newRow(tag) << bytes << QString(message);
        };
        // The sample with one 32-bit field replaced.
        const auto patched = [&](size_t at, uint32_t value) {
            QByteArray b = good;
            put32(b, at, value);
            return b;
        };

        row("empty", QByteArray(), "not a metafile");
        row("truncated header", good.left(60), "shorter than a metafile header");
        QByteArray b = good;
        b.truncate(good.size() - 100);
        row("truncated body", b, "truncated");
        row("record size 0", patched(second + 4, 0), "invalid size");
        row("odd record size", patched(second + 4, 13), "invalid size");
        row("record past the end", patched(second + 4, 0x7ffffff0), "runs past the end");
        row("no handle table", patched(56, 0), "handle table");
        row("description offset outside", patched(64, 0x7ffffff0), "description");
        row("description too long", patched(60, 0x40000000), "description");
        row("reference device without size", patched(80, 0), "reference device");
        row("header size too small", patched(4, 20), "header");
        row("not a header first", patched(0, 7), "not a metafile");
        b = good.left(static_cast<qsizetype>(records.back().offset));
        put32(b, 48, static_cast<uint32_t>(b.size()));
        row("no end record", b, "end-of-file");

        // A DIB record's offBmiSrc is at 48, offBitsSrc at 56 and its bitmap header from 80
        // (biWidth at 84, biBitCount at 94); a text record's nChars is at 44, offDx at 72.
        const RecordInfo dib = firstOf(emr::STRETCHDIBITS);
        const RecordInfo text = firstOf(emr::EXTTEXTOUTW);
        const char* const outside = "outside the record";
        row("DIB bits outside the record", patched(dib.offset + 56, dib.size - 4), outside);
        row("DIB header outside the record", patched(dib.offset + 48, dib.size + 100), outside);
        row("DIB too large", patched(dib.offset + 84, 0x00100000), "bitmap");
        row("DIB odd bit depth", patched(dib.offset + 94, 7), "bit depth");
        row("huge character count", patched(text.offset + 44, 0x7fffffff), "text outside");
        row("spacing array outside", patched(text.offset + 72, text.size - 2), "spacing array");

        const RecordInfo select = firstOf(emr::SELECTOBJECT);
        row("handle outside the table", patched(select.offset + 8, 500), "handle");

        // Small files of one record, `times` over.
        const auto tiny = [](uint32_t type, std::initializer_list<int32_t> values, int times = 1) {
            EmfBuilder e(QRect(0, 0, 9, 9), QRect(0, 0, 264, 264), 1);
            for (int i = 0; i < times; ++i)
                e.add(type, values);
            return e.finish();
        };
        row("huge point count", tiny(emr::POLYGON, {0, 0, 0, 0, 0x7fffffff, 1, 1}), "points");
        row("SaveDC nested too deeply", tiny(emr::SAVEDC, {}, 1100), "too deeply");
        row("region count too large",
            tiny(emr::EXTSELECTCLIPRGN, {48, 5, 32, 1, 1000000, 16, 0, 0, 1, 1, 0, 0, 1, 1}),
            "region");
    }
    void damagedEmfIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString error = test::errorOf([&] { Metafile::fromBytes(bytes); });
        QVERIFY2(error != "no error" && error.contains(message), qPrintable(error));
    }

    void unknownRecordsAreSkipped() {
        EmfBuilder e(QRect(0, 0, 9, 9), QRect(0, 0, 264, 264), 2);
        e.add(200, {1, 2, 3});
        e.add(emr::COMMENT, {4, 0x2B464D45}); // an EMF+ comment
        e.add(emr::CREATEBRUSHINDIRECT, {1, 0, 0x00FF0000, 0});
        e.add(emr::SELECTOBJECT, {1});
        e.add(emr::RECTANGLE, {0, 0, 11, 11});
        const Metafile m = Metafile::fromBytes(e.finish());
        QCOMPARE(played(m, QSize(10, 10)).pixelColor(5, 5), QColor(Qt::blue));
    }

    void recorderMisuse() {
        EmfRecorder recorder(PageSize, 96);
        {
            QPainter p(&recorder);
            QVERIFY_THROWS_EXCEPTION(Error, recorder.finish()); // still painting
        }
        recorder.finish();
        QVERIFY_THROWS_EXCEPTION(Error, recorder.finish()); // twice
        QPainter late;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
        QVERIFY(!late.begin(&recorder));
    }
};

QTEST_MAIN(EmfTest)
#include "tst_emf.moc"
