// libFuzzer entry that plays a metafile of either kind at a small target size, placed off the
// origin and scaled as a preview places a page: whatever the file's own frame claims, the
// playback is bounded by the few pixels it is drawn at. Build with `make fuzz`.
#include "MetafileFuzz.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qlx::fuzz::startMetafileFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const qlx::Metafile m = qlx::Metafile::fromBytes(bytes);
        QImage image(20, 28, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(3, 2);
        painter.scale(0.5, 0.5);
        painter.setClipRect(QRect(0, 0, 30, 40));
        m.play(painter, QRectF(0, 0, 30, 44));
    } catch (const qlx::Error&) {
    }
    return 0;
}
