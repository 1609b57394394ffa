// Pictures that are small files but claim much: icons with many entries or large PNG
// entries, and backgrounds too large for a label. Each is taken within bounds or refused with
// its message.
#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QTest>

#include "HostileInputs.h"
#include "app/SheetReport.h"
#include "pictures/Picture.h"
#include "render/SheetRun.h"
#include "stores/Error.h"
#include "support/CpuClock.h"

using namespace qlx;

namespace {

// An icon whose one entry is a PNG of side x side pixels in one bit per pixel: the same claim
// as hostile::icoPngEntry's, without compressing 100 MB of pixels to make it.
QByteArray icoMonoPngEntry(int side) {
    QImage image(side, side, QImage::Format_Mono);
    image.fill(1);
    QByteArray picture;
    QBuffer buffer(&picture);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray icon;
    QDataStream out(&icon, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(1);           // icon, one entry
    out << quint8(0) << quint8(0) << quint8(0) << quint8(0); // 256 x 256 claimed, no palette
    out << quint16(1) << quint16(32) << quint32(picture.size()) << quint32(22);
    return icon + picture;
}

} // namespace

class PictureBudgetTest : public QObject {
    Q_OBJECT

private slots:
    void icons_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("images"); // 0: refused
        QTest::addColumn<int>("side");
        QTest::newRow("2,000 entries, one image") << hostile::icoSharedEntries(2000, 16) << 0 << 0;
        QTest::newRow("64 entries, one 256 px image")
            << hostile::icoSharedEntries(64, 256) << 64 << 256;
        QTest::newRow("65 entries") << hostile::icoSharedEntries(65, 16) << 0 << 0;
        QTest::newRow("5000 px PNG entry") << icoMonoPngEntry(5000) << 0 << 0;
        QTest::newRow("256 px one-bit PNG entry") << icoMonoPngEntry(256) << 1 << 256;
        QTest::newRow("257 px PNG entry") << hostile::icoPngEntry(257) << 0 << 0;
        QTest::newRow("256 px PNG entry") << hostile::icoPngEntry(256) << 1 << 256;
    }
    void icons() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, images);
        QFETCH(int, side);
        // Processor time: the budget is for the work, however busy the machine.
        const test::CpuClock clock;
        try {
            const Picture icon = Picture::fromData(bytes, QStringLiteral("ico"));
            QVERIFY2(images > 0, "an icon beyond the limits was taken");
            QCOMPARE(icon.size(), QSize(side, side));
        } catch (const Error& e) {
            QVERIFY2(images == 0, e.what());
            QCOMPARE(QString(e.what()), QString("Icon image is not valid"));
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    // A background beyond a label's limit is refused before any label is made; one within it
    // fills the slots.
    void backgroundSizeCheckedFirst_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("refused");
        QTest::newRow("8192 x 4096 RLE") << QSize(8192, 4096) << true;
        QTest::newRow("2049 x 2048") << QSize(2049, 2048) << true;
        QTest::newRow("640 x 404") << QSize(640, 404) << false;
    }
    void backgroundSizeCheckedFirst() {
        QFETCH(QSize, size);
        QFETCH(bool, refused);
        LabelAppearance look = LabelAppearance::startUp();
        look.background = Picture::fromData(hostile::rleBitmapClaiming(size), "bmp");
        SheetReport report(nullptr);
        int made = 0;
        SheetRunObserver observer;
        observer.beforeLabel = [&](const LabelRecord&) {
            ++made;
        };
        const std::vector<LabelRecord> records(15, LabelRecord{"Quartz", "Here", "1"});
        // Processor time: the budget is for the work, however busy the machine.
        const test::CpuClock clock;
        try {
            fillSheet(report, records, look, 1, observer);
            QVERIFY(!refused);
            QCOMPARE(made, 15);
        } catch (const Error& e) {
            QVERIFY2(refused, e.what());
            QVERIFY2(QString(e.what()).startsWith("The label background is too large: "), e.what());
            QCOMPARE(made, 0);
        }
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(PictureBudgetTest)
#include "tst_picturebudget.moc"
