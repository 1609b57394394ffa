// libFuzzer entry for the bitmap, icon and JPEG header checks and the picture loader behind them.
// Build and run with `make fuzz`. Every input is either refused with qlx::Error or loaded,
// and a bitmap the loader accepts must be the picture its checked headers describe: Qt's
// decoder only ever sees bytes the checks passed.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pictures/JpegCheck.h"
#include "pictures/Picture.h"
#include "stores/Bmp.h"
#include "stores/Error.h"

namespace {

// The bitmap's checked headers, or nothing when the checks refuse it.
bool checkedBmp(std::string_view bytes, qlx::BmpInfo& info) {
    try {
        info = qlx::checkBmp(bytes);
        return true;
    } catch (const qlx::Error&) {
        return false;
    }
}

bool checkedIco(std::string_view bytes) {
    try {
        qlx::checkIco(bytes);
        return true;
    } catch (const qlx::Error&) {
        return false;
    }
}

void drawCopy(const qlx::Picture& picture) {
    QImage canvas(16, 16, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    picture.draw(painter, canvas.rect());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // the image plugins (ICO) need one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view view(reinterpret_cast<const char*>(data), size);
    const QByteArray bytes(view.data(), static_cast<qsizetype>(size));
    if (view.substr(0, 2) == "\xFF\xD8") {
        // A JPEG reaches the decoder only within its size and scan limits.
        std::string problem;
        const qlx::JpegShape shape = qlx::checkJpeg(data, size, false, &problem);
        try {
            const qlx::Picture picture = qlx::Picture::fromData(bytes, QStringLiteral("jpg"));
            if (shape.beyondLimit)
                std::abort();
            drawCopy(picture);
        } catch (const qlx::Error&) {
        }
        return 0;
    }
    qlx::BmpInfo info;
    const bool soundBmp = checkedBmp(view, info);
    const bool soundIco = checkedIco(view);
    const bool bmpName = view.substr(0, 2) == "BM";
    try {
        const qlx::Picture picture =
            qlx::Picture::fromData(bytes, bmpName ? QStringLiteral("bmp") : QStringLiteral("ico"));
        if (bmpName &&
            (!soundBmp || picture.width() != info.width || picture.height() != info.height))
            std::abort(); // decoded what the checks refused, or not what they described
        if (!bmpName && !soundIco)
            std::abort();
        drawCopy(picture);
        qlx::Picture copy = picture;
        if (copy.isBitmap())
            copy.bitmapForDrawing().fill(Qt::black); // drawing on the copy only
    } catch (const qlx::Error&) {
        // refused with a message: what a damaged file should get
    }
    return 0;
}
