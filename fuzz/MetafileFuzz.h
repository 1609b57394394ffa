#pragma once
// What the EMF and WMF fuzz targets share: an application for fonts, caches filled once, and
// one input either refused with qlx::Error or checked and then drawn into a small image.
#include "metafile/Metafile.h"
#include "stores/Error.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstdlib>

namespace qlx::fuzz {

inline void startMetafileFuzzing(int* argc, char*** argv) {
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
}

// Inputs of the other metafile kind are left to that kind's target.
inline void fuzzMetafile(const uint8_t* data, size_t size, Metafile::Format format) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const Metafile m = Metafile::fromBytes(bytes);
        if (m.format() != format)
            return;
        QImage image(48, 32, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        m.play(painter, QRectF(0, 0, 48, 32));
    } catch (const Error&) {
        // refused with a message: what a damaged file should get
    }
}

} // namespace qlx::fuzz
