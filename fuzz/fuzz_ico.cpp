// libFuzzer entry for the icon reader alone: every input is refused with qlx::Error or read
// into an icon within its limits (entries, sides), and then drawn small. Build with
// `make fuzz`.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

#include "pictures/Picture.h"
#include "stores/Bmp.h"
#include "stores/Error.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // the ICO image plugin needs one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const qlx::Picture icon = qlx::Picture::fromData(bytes, QStringLiteral("ico"));
        const QSize natural = icon.size();
        if (natural.width() > qlx::kMaxIconSide || natural.height() > qlx::kMaxIconSide)
            std::abort(); // an image beyond the limit was decoded
        QImage canvas(16, 16, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        icon.draw(painter, canvas.rect());
    } catch (const qlx::Error&) {
        // refused with a message: what a damaged or outsized icon should get
    }
    return 0;
}
