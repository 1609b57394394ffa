// Icons decode the image they show and no other: the one shown at natural size when loaded,
// another only when a drawing size first needs it.
#include <QPainter>
#include <QtTest>

#include "pictures/Picture.h"

using namespace qlx;

namespace {

// One directory entry's image: a 32-bit bitmap of `side` x `side` in one colour, with its mask.
QByteArray bitmapEntry(int side, QRgb colour) {
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(40) << qint32(side) << qint32(side * 2) << quint16(1) << quint16(32)
        << quint32(0) << quint32(0) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int i = 0; i < side * side; ++i)
        out << quint32(colour | 0xFF000000u);
    const int maskStride = ((side + 31) / 32) * 4;
    b.append(QByteArray(maskStride * side, '\0'));
    return b;
}

struct Entry {
    int side;
    QByteArray image;
};

QByteArray icon(const std::vector<Entry>& entries) {
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(entries.size());
    quint32 at = quint32(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        out << quint8(e.side % 256) << quint8(e.side % 256) << quint8(0) << quint8(0) << quint16(1)
            << quint16(32) << quint32(e.image.size()) << at;
        at += quint32(e.image.size());
    }
    for (const Entry& e : entries)
        b.append(e.image);
    return b;
}

// The colour the picture fills `size` with, corner to corner; black where the corners differ.
QRgb drawnAt(const Picture& p, QSize size) {
    QImage target(size, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    p.draw(painter, target.rect());
    painter.end();
    const QRgb first = target.pixel(0, 0), last = target.pixel(size.width() - 1, size.height() - 1);
    return first == last ? first & 0xFFFFFFu : 0;
}

} // namespace

class IconEntriesTest : public QObject {
    Q_OBJECT
private slots:
    // Entries: 16 px red, 32 px green, 64 px blue; each is drawn stretched over the target.
    void decodesWhatItShows_data() {
        QTest::addColumn<QSize>("target");
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<int>("decoded");
        QTest::newRow("natural size") << QSize(32, 32) << QRgb(0x00FF00) << 1;
        QTest::newRow("small") << QSize(12, 12) << QRgb(0xFF0000) << 2;
        QTest::newRow("exact 16") << QSize(16, 16) << QRgb(0xFF0000) << 2;
        QTest::newRow("wide and low, the next that covers") << QSize(20, 12) << QRgb(0x00FF00) << 1;
        QTest::newRow("between, the next that covers") << QSize(40, 40) << QRgb(0x0000FF) << 2;
        QTest::newRow("larger than all") << QSize(137, 65) << QRgb(0x0000FF) << 2;
    }
    void decodesWhatItShows() {
        QFETCH(QSize, target);
        QFETCH(QRgb, colour);
        QFETCH(int, decoded);
        const QByteArray bytes = icon({{16, bitmapEntry(16, 0xFF0000)},
                                       {32, bitmapEntry(32, 0x00FF00)},
                                       {64, bitmapEntry(64, 0x0000FF)}});
        const Picture p = Picture::fromData(bytes, "ico");
        QCOMPARE(p.type(), Picture::Type::Icon);
        QCOMPARE(p.iconImagesDecoded(), 1);
        QCOMPARE(p.size(), QSize(32, 32));
        const Picture copy = p;
        QCOMPARE(drawnAt(p, target), colour);
        QCOMPARE(p.iconImagesDecoded(), decoded);
        QCOMPARE(copy.iconImagesDecoded(), decoded); // copies share what was decoded
        QCOMPARE(p.toImage().size(), QSize(32, 32));
    }

    // Without a 32 px image the first is the natural one, and only it is decoded.
    void naturalImageIsTheFirstWithout32() {
        const Picture p = Picture::fromData(
            icon({{64, bitmapEntry(64, 0x0000FF)}, {16, bitmapEntry(16, 0xFF0000)}}), "ico");
        QCOMPARE(p.size(), QSize(64, 64));
        QCOMPARE(p.iconImagesDecoded(), 1);
        QCOMPARE(drawnAt(p, QSize(10, 10)), QRgb(0xFF0000));
        QCOMPARE(p.iconImagesDecoded(), 2);
    }
};

QTEST_MAIN(IconEntriesTest)
#include "tst_iconentries.moc"
