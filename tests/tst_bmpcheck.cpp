#include <QImage>
#include <QtTest>

#include "stores/Bmp.h"
#include "stores/Error.h"

using namespace qlx;

namespace {

// The fields of a made-up bitmap; the defaults give a sound 4 x 3, 24-bit picture.
struct Spec {
    std::uint32_t headerSize = 40;
    std::int64_t width = 4;
    std::int64_t height = 3;
    int planes = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::int64_t paletteEntries = -1; // -1: as many as the header implies
    std::int64_t pixelBytes = -1;     // -1: exactly what the rows need
    std::int64_t offsetDelta = 0;     // added to the true pixel data offset
    std::uint32_t imageSizeField = 0; // biSizeImage
    std::int64_t offsetField = -1;    // -1: the true offset (plus offsetDelta)
    std::int64_t fileSizeField = -1;  // -1: the true size
    std::size_t trailing = 0;         // bytes after the pixels
    const char* magic = "BM";
};

void put(std::string& s, std::uint64_t at, std::uint64_t value, int size) {
    if (s.size() < at + size)
        s.resize(at + size, '\0');
    for (int i = 0; i < size; ++i)
        s[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string makeBmp(const Spec& b) {
    std::string s(14, '\0');
    s[0] = b.magic[0];
    s[1] = b.magic[1];
    put(s, 14, b.headerSize, 4);
    if (b.headerSize == 12) {
        put(s, 18, std::uint64_t(b.width), 2);
        put(s, 20, std::uint64_t(b.height), 2);
        put(s, 22, b.planes, 2);
        put(s, 24, b.bits, 2);
    } else {
        put(s, 18, std::uint64_t(b.width), 4);
        put(s, 22, std::uint64_t(b.height), 4);
        put(s, 26, b.planes, 2);
        put(s, 28, b.bits, 2);
        put(s, 30, b.compression, 4);
        put(s, 34, b.imageSizeField, 4);
        put(s, 46, b.colorsUsed, 4);
        s.resize(14 + b.headerSize, '\0');
        if (b.compression == 3) { // 5-6-5 or 8-8-8 masks, inside or after the header
            const std::uint64_t at = b.headerSize == 40 ? s.size() : 54;
            const bool wide = b.bits == 32;
            put(s, at, wide ? 0xFF0000 : 0xF800, 4);
            put(s, at + 4, wide ? 0x00FF00 : 0x07E0, 4);
            put(s, at + 8, wide ? 0x0000FF : 0x001F, 4);
        }
    }
    std::int64_t entries = b.paletteEntries;
    if (entries < 0)
        entries = b.bits <= 8 ? (b.colorsUsed ? b.colorsUsed : (1 << b.bits)) : 0;
    const int entrySize = b.headerSize == 12 ? 3 : 4;
    for (std::int64_t i = 0; i < entries; ++i)
        s.append(std::string(entrySize, char(i * 40)));
    const std::uint64_t offset = std::uint64_t(std::int64_t(s.size()) + b.offsetDelta);
    put(s, 10, b.offsetField >= 0 ? std::uint64_t(b.offsetField) : offset, 4);
    const std::int64_t h = b.height < 0 ? -b.height : b.height;
    const std::int64_t w = b.width < 0 ? -b.width : b.width;
    const std::int64_t stride = ((w * b.bits + 31) / 32) * 4;
    const std::int64_t pixels = b.pixelBytes >= 0 ? b.pixelBytes : stride * h;
    if (b.offsetDelta > 0)
        s.append(std::string(size_t(b.offsetDelta), '\0'));
    s.append(std::string(size_t(pixels), '\x55'));
    s.append(b.trailing, '\0');
    put(s, 2, b.fileSizeField >= 0 ? std::uint64_t(b.fileSizeField) : s.size(), 4);
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Spec)

class BmpCheckTest : public QObject {
    Q_OBJECT
private slots:
    void headers_data() {
        QTest::addColumn<Spec>("spec");
        QTest::addColumn<bool>("valid");
        auto row = [](const char* name, bool valid, auto change) {
            Spec s;
            change(s);
            QTest::newRow(name) << s << valid;
        };
        // Sound pictures.
        row("24-bit", true, [](Spec&) {});
        row("1-bit with palette", true, [](Spec& s) { s.bits = 1; });
        row("4-bit with palette", true, [](Spec& s) { s.bits = 4; });
        row("8-bit with palette", true, [](Spec& s) { s.bits = 8; });
        row("8-bit, short palette", true, [](Spec& s) { s.bits = 8, s.colorsUsed = 16; });
        row("16-bit", true, [](Spec& s) { s.bits = 16; });
        row("32-bit", true, [](Spec& s) { s.bits = 32; });
        row("16-bit bit fields", true, [](Spec& s) { s.bits = 16, s.compression = 3; });
        row("32-bit bit fields", true, [](Spec& s) { s.bits = 32, s.compression = 3; });
        row("top-down", true, [](Spec& s) { s.height = -3; });
        row("core header 24-bit", true, [](Spec& s) { s.headerSize = 12; });
        row("core header 8-bit", true, [](Spec& s) { s.headerSize = 12, s.bits = 8; });
        row("V4 header", true, [](Spec& s) { s.headerSize = 108; });
        row("V5 header 32-bit bit fields", true,
            [](Spec& s) { s.headerSize = 124, s.bits = 32, s.compression = 3; });
        row("gap before the pixels", true, [](Spec& s) { s.offsetDelta = 10; });
        row("RLE8", true,
            [](Spec& s) { s.bits = 8, s.compression = 1, s.pixelBytes = 8, s.imageSizeField = 8; });
        row("stock background size", true, [](Spec& s) { s.width = 640, s.height = 404; });
        row("widest", true, [](Spec& s) { s.width = kMaxBmpSide, s.height = 1; });
        row("tallest", true, [](Spec& s) { s.width = 1, s.height = kMaxBmpSide; });
        row("trailing bytes", true, [](Spec& s) { s.trailing = 16; });
        row("file size field wrong", true, [](Spec& s) { s.fileSizeField = 12345; });
        row("24-bit with a display palette", true, [](Spec& s) { s.colorsUsed = 256; });
        // Damaged or hostile ones.
        row("not BM", false, [](Spec& s) { s.magic = "MB"; });
        row("unknown header size", false, [](Spec& s) { s.headerSize = 64; });
        row("header size 41", false, [](Spec& s) { s.headerSize = 41; });
        row("core header 16-bit", false, [](Spec& s) { s.headerSize = 12, s.bits = 16; });
        row("core header 32-bit", false, [](Spec& s) { s.headerSize = 12, s.bits = 32; });
        row("width just past the limit", false,
            [](Spec& s) { s.width = kMaxBmpSide + 1, s.height = 1; });
        row("height just past the limit", false,
            [](Spec& s) { s.width = 1, s.height = kMaxBmpSide + 1; });
        row("area just past the limit", false,
            [](Spec& s) { s.width = 8192, s.height = kMaxBmpPixels / 8192 + 1, s.pixelBytes = 0; });
        row("7 bits per pixel", false, [](Spec& s) { s.bits = 7; });
        row("48 bits per pixel", false, [](Spec& s) { s.bits = 48; });
        row("unknown compression", false, [](Spec& s) { s.compression = 99; });
        row("huge display palette", false, [](Spec& s) { s.colorsUsed = 65537; });
        row("pixel offset huge", false, [](Spec& s) { s.offsetField = 0xFFFFFFF0u; });
        row("pixels overlap the palette", false, [](Spec& s) { s.bits = 8, s.offsetDelta = -4; });
        row("two planes", false, [](Spec& s) { s.planes = 2; });
        row("zero width", false, [](Spec& s) { s.width = 0; });
        row("zero height", false, [](Spec& s) { s.height = 0; });
        row("negative width", false, [](Spec& s) { s.width = -4; });
        row("most negative height", false, [](Spec& s) { s.height = INT32_MIN, s.pixelBytes = 0; });
        row("2 bits per pixel", false, [](Spec& s) { s.bits = 2; });
        row("0 bits per pixel", false, [](Spec& s) { s.bits = 0; });
        row("RLE8 on 24 bits", false, [](Spec& s) { s.compression = 1, s.imageSizeField = 8; });
        row("RLE4 on 8 bits", false,
            [](Spec& s) { s.bits = 8, s.compression = 2, s.imageSizeField = 8; });
        row("RLE8 top-down", false, [](Spec& s) {
            s.bits = 8, s.compression = 1, s.height = -3, s.pixelBytes = 8, s.imageSizeField = 8;
        });
        row("RLE8 without size", false,
            [](Spec& s) { s.bits = 8, s.compression = 1, s.pixelBytes = 8; });
        row("RLE8 size past the end", false,
            [](Spec& s) { s.bits = 8, s.compression = 1, s.pixelBytes = 8, s.imageSizeField = 9; });
        row("bit fields on 24 bits", false, [](Spec& s) { s.compression = 3; });
        row("JPEG inside", false, [](Spec& s) { s.compression = 4; });
        row("more colours than the depth", false, [](Spec& s) { s.bits = 4, s.colorsUsed = 17; });
        row("palette missing", false, [](Spec& s) { s.bits = 8, s.paletteEntries = 0; });
        row("pixels one byte short", false, [](Spec& s) { s.pixelBytes = 3 * 12 - 1; });
        row("offset past the end", false, [](Spec& s) { s.offsetDelta = -100000; });
        row("offset inside the header", false, [](Spec& s) { s.offsetDelta = -20; });
    }
    void headers() {
        QFETCH(Spec, spec);
        QFETCH(bool, valid);
        const std::string file = makeBmp(spec);
        QString error;
        try {
            const BmpInfo info = checkBmp(file);
            QCOMPARE(info.width, std::int32_t(spec.width));
            QCOMPARE(info.bitCount, spec.bits);
        } catch (const Error& e) {
            error = e.what();
        }
        QCOMPARE(error, valid ? QString() : QString("Bitmap image is not valid"));
        if (valid) { // what passes must be a picture a real decoder reads
            const QImage image = QImage::fromData(
                QByteArray::fromRawData(file.data(), qsizetype(file.size())), "BMP");
            QVERIFY(!image.isNull());
            QCOMPARE(image.width(), int(spec.width));
        }
    }

    // Every cut of a sound file is refused, never read past its end.
    void truncated_data() {
        QTest::addColumn<int>("headerSize");
        QTest::addColumn<int>("bits");
        QTest::newRow("info 24-bit") << 40 << 24;
        QTest::newRow("info 8-bit") << 40 << 8;
        QTest::newRow("core 4-bit") << 12 << 4;
        QTest::newRow("V5 32-bit") << 124 << 32;
    }
    void truncated() {
        QFETCH(int, headerSize);
        QFETCH(int, bits);
        Spec spec;
        spec.headerSize = std::uint32_t(headerSize);
        spec.bits = bits;
        const std::string file = makeBmp(spec);
        checkBmp(file);
        for (size_t n = 0; n < file.size(); ++n) {
            std::unique_ptr<char[]> exact(new char[n + 1]);
            std::copy(file.begin(), file.begin() + n, exact.get());
            QVERIFY_THROWS_EXCEPTION(Error, checkBmp(std::string_view(exact.get(), n)));
        }
    }
};

QTEST_GUILESS_MAIN(BmpCheckTest)
#include "tst_bmpcheck.moc"
