#include "render/LabelPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "pictures/LabelFont.h"
#include "pictures/Text.h"

namespace qlx {

namespace {

const LabelFont& fontOf(const LabelLayoutInput& input, LabelRow row) {
    switch (row) {
    case LabelRow::Mineral:
        return input.mineralFont;
    case LabelRow::Locality:
        return input.localityFont;
    case LabelRow::Info:
        break;
    }
    return input.infoFont;
}

// QPainter cannot paint on palette or monochrome bitmaps.
void makePaintable(QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
        break;
    default:
        break;
    }
}

} // namespace

void LabelPainter::paint(QImage& image, const LabelLayoutInput& input,
                         const std::vector<LabelTextOutput>& outputs) {
    if (image.isNull()) {
        return;
    }
    makePaintable(image);
    QPainter painter(&image);
    for (const LabelTextOutput& out : outputs) {
        const LabelFont& font = fontOf(input, out.row);
        paintText(painter, image.size(), toQFont(font, out.pixelHeight),
                  QRgb(0xFF000000u | font.colour), out);
    }
}

void LabelPainter::paintText(QPainter& painter, const QSize& bitmapSize, const QFont& font,
                             QRgb colour, const LabelTextOutput& out) {
    if (out.text.empty()) {
        return;
    }
    const QString text = toQString(out.text);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const std::int64_t width = metrics.horizontalAdvance(text);
    const std::int64_t height = metrics.height();
    // Corrections are unbounded: a cell wholly off the bitmap is skipped before its position
    // is narrowed to the painter's int coordinates.
    if (out.x >= bitmapSize.width() || out.y >= bitmapSize.height() || out.x + width <= 0 ||
        out.y + height <= 0) {
        return;
    }
    const int x = static_cast<int>(out.x);
    const int y = static_cast<int>(out.y);
    painter.fillRect(QRect(x, y, static_cast<int>(width), static_cast<int>(height)), Qt::white);
    painter.setPen(QColor::fromRgb(colour));
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
}

} // namespace qlx
