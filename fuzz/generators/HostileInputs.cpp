#include "HostileInputs.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>
#include <algorithm>
#include <vector>

namespace qlx::hostile {

namespace {

// Little-endian bytes, appended.
class Bytes {
public:
    Bytes& u8(quint8 v) {
        m_b.append(char(v));
        return *this;
    }
    Bytes& u16(quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        m_b.append(c, 2);
        return *this;
    }
    Bytes& u32(quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        m_b.append(c, 4);
        return *this;
    }
    Bytes& i32(qint32 v) { return u32(quint32(v)); }
    Bytes& raw(const QByteArray& b) {
        m_b.append(b);
        return *this;
    }
    void set32(int at, quint32 v) { qToLittleEndian(v, m_b.data() + at); }
    int size() const { return int(m_b.size()); }
    const QByteArray& bytes() const { return m_b; }

private:
    QByteArray m_b;
};

// An EMF made of raw records: the header is completed when the bytes are taken.
class Emf {
public:
    explicit Emf(int pixels) {
        // 0.01 mm at 96 dpi, held to the largest coordinate the reader takes.
        const qint32 frame = qint32(std::min<qint64>(qint64(pixels) * 2540 / 96, 1 << 28));
        m_b.u32(1).u32(88);
        m_b.i32(0).i32(0).i32(pixels - 1).i32(pixels - 1); // bounds
        m_b.i32(0).i32(0).i32(frame).i32(frame);           // frame
        m_b.u32(0x464D4520).u32(0x10000).u32(0).u32(0);    // signature, version, bytes, records
        m_b.u16(4).u16(0).u32(0).u32(0).u32(0);            // handles, reserved, description, pal
        m_b.i32(1920).i32(1080).i32(508).i32(286);         // reference device: 96 dpi
        m_records = 1;
    }
    Emf& record(quint32 type, const QByteArray& body) {
        m_b.u32(type).u32(quint32(8 + body.size())).raw(body);
        ++m_records;
        return *this;
    }
    QByteArray finish() {
        Bytes eof;
        eof.u32(0).u32(16).u32(20);
        record(14, eof.bytes());
        m_b.set32(48, quint32(m_b.size()));
        m_b.set32(52, m_records);
        return m_b.bytes();
    }

private:
    Bytes m_b;
    quint32 m_records = 0;
};

QByteArray box(qint32 l, qint32 t, qint32 r, qint32 b) {
    Bytes x;
    x.i32(l).i32(t).i32(r).i32(b);
    return x.bytes();
}

QByteArray u32s(std::initializer_list<quint32> values) {
    Bytes x;
    for (quint32 v : values)
        x.u32(v);
    return x.bytes();
}

// A STRETCHDIBITS record body drawing `picture` (compression 5: PNG, 4: JPEG) claiming `side`
// square.
QByteArray pngDibits(const QByteArray& picture, int side, QRect dest, quint32 compression = 5) {
    Bytes b;
    b.raw(box(dest.left(), dest.top(), dest.right(), dest.bottom()));
    b.i32(dest.left()).i32(dest.top()).i32(0).i32(0).i32(side).i32(side);
    b.u32(80).u32(40).u32(120).u32(quint32(picture.size())).u32(0).u32(0x00CC0020);
    b.i32(dest.width()).i32(dest.height());
    b.u32(40).i32(side).i32(-side).u16(1).u16(0).u32(compression).u32(quint32(picture.size()));
    b.u32(0).u32(0).u32(0).u32(0);
    b.raw(picture);
    while (b.size() % 4)
        b.u8(0);
    return b.bytes();
}

} // namespace

QByteArray png(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 160));
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

QByteArray emfClipPathOnHugeFrame(int framePixels) {
    Emf emf(framePixels);
    emf.record(59, {});                                  // BEGINPATH
    emf.record(42, box(0, 0, framePixels, framePixels)); // ELLIPSE
    emf.record(60, {});                                  // ENDPATH
    emf.record(67, u32s({5}));                           // SELECTCLIPPATH, RGN_COPY
    emf.record(39, u32s({1, 0, 0x0000ff, 0}));           // CREATEBRUSHINDIRECT red
    emf.record(37, u32s({1}));                           // SELECTOBJECT
    emf.record(43, box(0, 0, framePixels, framePixels)); // RECTANGLE
    return emf.finish();
}

QByteArray emfEmbeddedPngs(int count, int side) {
    const QByteArray picture = png(side);
    Emf emf(200);
    for (int i = 0; i < count; ++i)
        emf.record(81, pngDibits(picture, side, QRect(i * 4, i * 4, 100, 100)));
    return emf.finish();
}

QByteArray emfBrokenPngThenRectangle() {
    QByteArray broken = png(8);
    broken.truncate(broken.size() / 2);
    broken.append(QByteArray(8, '\x55'));
    Emf emf(100);
    emf.record(81, pngDibits(broken, 8, QRect(0, 0, 40, 40)));
    emf.record(39, u32s({1, 0, 0x0000ff, 0})); // a red brush
    emf.record(37, u32s({1}));
    emf.record(43, box(50, 50, 90, 90));
    return emf.finish();
}

QByteArray emfPolygon(int points) {
    Emf emf(1000);
    Bytes b;
    b.raw(box(0, 0, 1000, 1000)).u32(quint32(points));
    for (int i = 0; i < points; ++i) // POINTS: 16-bit pairs
        b.u16(quint16((i * 7) % 1000)).u16(quint16(i % 2 ? 999 : 0));
    while (b.size() % 4)
        b.u8(0);
    emf.record(86, b.bytes()); // POLYGON16
    return emf.finish();
}

QByteArray emfClaimingSize(int pixels) {
    Emf emf(pixels);
    return emf.finish();
}

QByteArray wmfObjectChurn(int tableSize, int churn) {
    Bytes b;
    b.u16(1).u16(9).u16(0x0300).u32(0).u16(quint16(tableSize)).u32(7).u16(0);
    b.u32(5).u16(0x020C).u16(100).u16(100); // SETWINDOWEXT 100 x 100
    auto brush = [&] {
        b.u32(7).u16(0x02FC).u16(0).u32(0x00ff0000).u16(0);
    };
    for (int i = 0; i < tableSize; ++i)
        brush();
    for (int i = 0; i < churn; ++i) {
        b.u32(4).u16(0x01F0).u16(quint16(tableSize - 1)); // DELETEOBJECT, the last slot
        brush();
    }
    b.u32(3).u16(0);
    b.set32(6, quint32(b.size() / 2));
    return b.bytes();
}

QByteArray icoSharedEntries(int entries, int side) {
    Bytes b;
    b.u16(0).u16(1).u16(quint16(entries));
    const int imageAt = 6 + 16 * entries;
    const int maskStride = ((side + 31) / 32) * 4;
    const int imageSize = 40 + side * side * 4 + maskStride * side;
    for (int i = 0; i < entries; ++i)
        b.u8(quint8(side % 256))
            .u8(quint8(side % 256))
            .u8(0)
            .u8(0)
            .u16(1)
            .u16(32)
            .u32(quint32(imageSize))
            .u32(quint32(imageAt));
    b.u32(40).i32(side).i32(side * 2).u16(1).u16(32).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    b.raw(QByteArray(side * side * 4, '\x40'));
    b.raw(QByteArray(maskStride * side, '\0'));
    return b.bytes();
}

QByteArray icoPngEntry(int side) {
    const QByteArray picture = png(side);
    Bytes b;
    b.u16(0).u16(1).u16(1);
    b.u8(0).u8(0).u8(0).u8(0).u16(1).u16(32).u32(quint32(picture.size())).u32(22);
    b.raw(picture);
    return b.bytes();
}

QByteArray rleBitmapClaiming(QSize size) {
    Bytes b;
    const quint32 pixelsAt = 14 + 40 + 8;
    b.u8('B').u8('M').u32(0).u32(0).u32(pixelsAt);
    b.u32(40).i32(size.width()).i32(size.height()).u16(1).u16(8).u32(1).u32(0);
    b.u32(2835).u32(2835).u32(2).u32(0);
    b.u32(0x00ffffff).u32(0x00204080); // two colours
    b.u8(0).u8(1);                     // end of bitmap at once: the rest is the first colour
    b.set32(2, quint32(b.size()));
    b.set32(34, 2);
    return b.bytes();
}

QByteArray emfHatchedEllipses(int count) {
    Emf emf(1100);
    emf.record(39, u32s({1, 2, 0x00008000, 5})); // CREATEBRUSHINDIRECT hatched, diagonal cross
    emf.record(37, u32s({1}));                   // SELECTOBJECT
    emf.record(18, u32s({2}));                   // SETBKMODE opaque
    const QByteArray whole = box(0, 0, 1100, 1100);
    for (int i = 0; i < count; ++i)
        emf.record(42, whole); // ELLIPSE
    return emf.finish();
}

QByteArray wmfHatchedRectangles(int count) {
    Bytes b;
    b.u16(1).u16(9).u16(0x0300).u32(0).u16(1).u32(7).u16(0);
    b.u32(5).u16(0x020C).u16(1100).u16(800);            // SETWINDOWEXT
    b.u32(7).u16(0x02FC).u16(2).u32(0x00008000).u16(5); // CREATEBRUSHINDIRECT
    b.u32(4).u16(0x012D).u16(0);                        // SELECTOBJECT
    for (int i = 0; i < count; ++i)
        b.u32(7).u16(0x041B).u16(1100).u16(800).u16(0).u16(0); // RECTANGLE
    b.u32(3).u16(0);
    b.set32(6, quint32(b.size() / 2));
    return b.bytes();
}

QByteArray emfTinyRecords(int count) {
    Emf emf(100);
    for (int i = 0; i < count; ++i)
        emf.record(52, {}); // REALIZEPALETTE
    return emf.finish();
}

QByteArray jpegScanBomb(int side, int scans) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255);
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    // The first scan: from its SOS marker to the next marker that is not a restart or a
    // stuffed byte.
    const qsizetype sos = out.indexOf(QByteArray("\xFF\xDA", 2));
    if (sos < 0)
        return out;
    qsizetype end = sos + 2 + ((uchar(out[sos + 2]) << 8) | uchar(out[sos + 3]));
    while (end + 1 < out.size() && !(uchar(out[end]) == 0xFF && uchar(out[end + 1]) != 0 &&
                                     (uchar(out[end + 1]) < 0xD0 || uchar(out[end + 1]) > 0xD7)))
        ++end;
    const QByteArray scan = out.mid(sos, end - sos);
    int have = int(out.count(QByteArray("\xFF\xDA", 2)));
    QByteArray extra;
    for (; have < scans; ++have)
        extra += scan;
    out.insert(end, extra);
    return out;
}

QByteArray emfEmbeddedJpeg(const QByteArray& jpeg, int side) {
    Emf emf(200);
    emf.record(81, pngDibits(jpeg, side, QRect(0, 0, 200, 200), 4));
    return emf.finish();
}

QByteArray reportWithPage(const QByteArray& picture, bool compressed) {
    QByteArray stored = picture;
    if (compressed) {
        // qCompress gives the length big-endian, then the zlib stream.
        const QByteArray z = qCompress(picture, 9);
        Bytes lead;
        lead.u32(quint32(picture.size()));
        stored = lead.bytes() + z.mid(4);
    }
    Bytes b;
    b.u16(3).u16(305).u32(0).i32(1).u32(0);
    b.raw(QByteArray(8, '\0')).u8(0).u8(compressed ? 1 : 0).raw(QByteArray(102, '\0'));
    const quint32 next = quint32(128 + 8 + stored.size() + 4);
    b.u32(1).u32(next).raw(stored).u32(128);
    return b.bytes();
}

QByteArray garbage(qint64 bytes) {
    QByteArray out(qsizetype(bytes), Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char((i * 131 + 7) & 0xFF);
    return out;
}

} // namespace qlx::hostile
