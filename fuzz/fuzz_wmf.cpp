// libFuzzer entry for the WMF reader and player: every input is either refused with
// qlx::Error or checked and then drawn into a small image. Build with `make fuzz`.
#include "report/Metafile.h"
#include "stores/Error.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // fonts for text records
    // Fill the font and region caches once, so the leak check sees only per-input memory.
    QImage image(48, 32, QImage::Format_RGB32);
    QPainter painter(&image);
    for (const char* family : {"Arial", "Liberation Sans", "DejaVu Sans"}) {
        QFont font(QString::fromLatin1(family));
        font.setPixelSize(12);
        painter.setFont(font);
        painter.drawText(QPointF(1, 20), QStringLiteral("Qz09"));
    }
    painter.setClipRegion(QRegion(QPolygon({QPoint(0, 0), QPoint(40, 3), QPoint(9, 30)})));
    painter.drawEllipse(QRectF(1, 1, 30, 20));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const qlx::Metafile m = qlx::Metafile::fromBytes(bytes);
        if (m.format() != qlx::Metafile::Format::Wmf)
            return 0;
        QImage image(48, 32, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        m.play(painter, QRectF(0, 0, 48, 32));
    } catch (const qlx::Error&) {
        // refused with a message: what a damaged file should get
    }
    return 0;
}
