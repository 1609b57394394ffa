#include "sheet/SheetPainter.h"

#include <QFontMetrics>

#include "pictures/Text.h"
#include "sheet/ScreenTextMeasurer.h"
#include "sheet/SheetLayout.h"

namespace qlx {

namespace {

QRect qRect(const DeviceRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

void drawRectangle(QPainter& painter, const DeviceRect& r) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    // The outline lies on the rectangle's own edge pixels: a 1-unit pen traces a rectangle
    // one unit smaller than the filled area.
    painter.setPen(QPen(QBrush(Qt::black), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
}

void drawText(QPainter& painter, const DeviceMapping& mapping, const PlacedElement& e) {
    painter.fillRect(qRect(e.device), Qt::white);
    painter.setFont(ScreenTextMeasurer::qtFont(e.font, mapping));
    painter.setPen(QColor::fromRgb(QRgb(0xFF000000u | e.font.colour)));
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics = painter.fontMetrics();
    int y = e.device.top;
    for (const std::string& line : e.lines) {
        painter.drawText(QPoint(e.device.left, y + metrics.ascent()), toQString(line));
        y += metrics.height();
    }
}

void drawSlot(QPainter& painter, const PlacedElement& e, const SheetContent& content) {
    if (e.slot < 1 || e.slot > SheetDefinition::kSlotCount) {
        return;
    }
    const QImage picture =
        content.pictureOf ? content.pictureOf(e.slot) : content.pictures[e.slot - 1];
    if (picture.isNull() || e.device.width() <= 0 || e.device.height() <= 0) {
        return;
    }
    painter.drawImage(qRect(e.device), picture);
}

} // namespace

void drawSheet(QPainter& painter, const DeviceMapping& mapping, const SheetContent& content) {
    if (content.sheet == nullptr) {
        return;
    }
    painter.save();
    // Pictures are stretched by picking pixels (colour-on-colour), without smoothing.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const PlacedElement& e : SheetLayout::layout(*content.sheet, mapping)) {
        if (e.page != 1) {
            continue;
        }
        switch (e.kind) {
        case PlacedKind::BandBackground:
            painter.fillRect(qRect(e.device), Qt::white);
            break;
        case PlacedKind::Rectangle:
            drawRectangle(painter, e.device);
            break;
        case PlacedKind::Text:
            drawText(painter, mapping, e);
            break;
        case PlacedKind::Slot:
            drawSlot(painter, e, content);
            break;
        }
    }
    painter.restore();
}

} // namespace qlx
