#include "preview/PreviewGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qlx {

namespace {

const QColor kInk(0x2b, 0x2b, 0x2b);
const QColor kAccent(0x2a, 0x6e, 0xbb);
const QColor kPaper(Qt::white);
const QColor kMuted(0x9a, 0x9a, 0x9a);

// All designs are drawn on a 16 x 16 grid with lines 1 unit wide centred on half units, so
// that they fall on whole pixels at 1x and on pixel pairs at 2x.
QPen inkPen(const QColor& c, double width = 1.0) {
    QPen pen(c, width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void sheet(QPainter& p, const QRectF& r) {
    p.setPen(inkPen(kInk));
    p.setBrush(kPaper);
    p.drawRect(r);
}

void triangle(QPainter& p, double tipX, double baseX, const QColor& c) {
    QPainterPath path;
    path.moveTo(tipX, 8);
    path.lineTo(baseX, 3);
    path.lineTo(baseX, 13);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

void bar(QPainter& p, double x, const QColor& c) {
    p.fillRect(QRectF(x, 3, 2, 10), c);
}

void printer(QPainter& p, const QColor& c) {
    sheet(p, QRectF(4.5, 1.5, 7, 4)); // paper going in
    p.setPen(inkPen(kInk));
    p.setBrush(c);
    p.drawRect(QRectF(1.5, 5.5, 13, 6));     // body
    sheet(p, QRectF(4.5, 9.5, 7, 5));        // paper coming out
    p.fillRect(QRectF(11, 7, 2, 1), kPaper); // lamp
}

void magnifier(QPainter& p) {
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setPen(inkPen(kAccent, 2.5));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
}

void drawGlyph(QPainter& p, PreviewGlyph g) {
    switch (g) {
    case PreviewGlyph::ZoomFit: {
        sheet(p, QRectF(4.5, 3.5, 7, 9));
        p.setPen(inkPen(kAccent, 1.0));
        for (int sx : {0, 1})
            for (int sy : {0, 1}) {
                const double x = sx ? 14.5 : 1.5, y = sy ? 14.5 : 1.5;
                const double dx = sx ? -3 : 3, dy = sy ? -3 : 3;
                p.drawLine(QPointF(x, y), QPointF(x + dx, y));
                p.drawLine(QPointF(x, y), QPointF(x, y + dy));
            }
        break;
    }
    case PreviewGlyph::Zoom100:
        magnifier(p);
        p.fillRect(QRectF(4, 4, 1, 5), kAccent); // "1"
        p.fillRect(QRectF(6, 5, 1, 1), kAccent); // ":"
        p.fillRect(QRectF(6, 7, 1, 1), kAccent);
        p.fillRect(QRectF(8, 4, 1, 5), kAccent); // "1"
        break;
    case PreviewGlyph::ZoomIn:
        magnifier(p);
        p.fillRect(QRectF(4, 6, 5, 1), kAccent); // "+"
        p.fillRect(QRectF(6, 4, 1, 5), kAccent);
        break;
    case PreviewGlyph::ZoomOut:
        magnifier(p);
        p.fillRect(QRectF(4, 6, 5, 1), kAccent); // "-"
        break;
    case PreviewGlyph::ZoomToWidth: {
        sheet(p, QRectF(2.5, 1.5, 11, 13));
        p.setPen(inkPen(kAccent, 1.0));
        p.drawLine(QPointF(4, 8.5), QPointF(12, 8.5));
        QPainterPath heads;
        heads.moveTo(4, 8.5), heads.lineTo(6.5, 6), heads.lineTo(6.5, 11), heads.closeSubpath();
        heads.moveTo(12, 8.5), heads.lineTo(9.5, 6), heads.lineTo(9.5, 11), heads.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawPath(heads);
        break;
    }
    case PreviewGlyph::FirstPage:
        bar(p, 3, kInk);
        triangle(p, 5, 12, kAccent);
        break;
    case PreviewGlyph::PreviousPage:
        triangle(p, 4, 11, kAccent);
        break;
    case PreviewGlyph::NextPage:
        triangle(p, 12, 5, kAccent);
        break;
    case PreviewGlyph::LastPage:
        triangle(p, 11, 4, kAccent);
        bar(p, 11, kInk);
        break;
    case PreviewGlyph::PrintSetup:
        printer(p, kMuted);
        p.setPen(inkPen(kAccent, 1.0));
        p.setBrush(kPaper);
        p.drawEllipse(QPointF(12, 12), 3, 3);
        p.fillRect(QRectF(11.5, 10, 1, 4), kAccent);
        break;
    case PreviewGlyph::Print:
        printer(p, kMuted);
        break;
    case PreviewGlyph::SaveReport: {
        p.setPen(inkPen(kInk));
        p.setBrush(kAccent);
        QPainterPath disk;
        disk.moveTo(1.5, 1.5), disk.lineTo(12.5, 1.5), disk.lineTo(14.5, 3.5);
        disk.lineTo(14.5, 14.5), disk.lineTo(1.5, 14.5), disk.closeSubpath();
        p.drawPath(disk);
        p.fillRect(QRectF(4, 2, 7, 4), kPaper);  // shutter label
        p.fillRect(QRectF(8, 3, 2, 2), kInk);    // shutter hole
        p.fillRect(QRectF(3, 9, 10, 5), kPaper); // label
        break;
    }
    case PreviewGlyph::SavePdf: {
        // A page with a folded corner and a red band: a document to keep.
        p.setPen(inkPen(kInk));
        p.setBrush(kPaper);
        QPainterPath page;
        page.moveTo(2.5, 1.5), page.lineTo(10.5, 1.5), page.lineTo(13.5, 4.5);
        page.lineTo(13.5, 14.5), page.lineTo(2.5, 14.5), page.closeSubpath();
        p.drawPath(page);
        p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
        p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
        p.fillRect(QRectF(1, 8, 14, 5), QColor(0xc0, 0x2b, 0x2b));
        p.fillRect(QRectF(3, 10, 10, 1), kPaper);
        break;
    }
    case PreviewGlyph::LoadReport: {
        p.setPen(inkPen(kInk));
        p.setBrush(QColor(0xe8, 0xc0, 0x5a));
        QPainterPath back;
        back.moveTo(1.5, 3.5), back.lineTo(5.5, 3.5), back.lineTo(6.5, 4.5);
        back.lineTo(12.5, 4.5), back.lineTo(12.5, 13.5), back.lineTo(1.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(0xf6, 0xd9, 0x8a));
        QPainterPath front;
        front.moveTo(1.5, 13.5), front.lineTo(4.5, 7.5), front.lineTo(15.5, 7.5);
        front.lineTo(12.5, 13.5), front.closeSubpath();
        p.drawPath(front);
        break;
    }
    }
}

} // namespace

QPixmap previewGlyphPixmap(PreviewGlyph glyph, int ratio, bool disabled) {
    QPixmap pm(16 * ratio, 16 * ratio);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(ratio, ratio);
        if (disabled)
            p.setOpacity(0.35);
        drawGlyph(p, glyph);
    }
    pm.setDevicePixelRatio(ratio);
    return pm;
}

QIcon previewGlyph(PreviewGlyph glyph) {
    QIcon icon;
    for (int ratio : {1, 2}) {
        icon.addPixmap(previewGlyphPixmap(glyph, ratio), QIcon::Normal);
        icon.addPixmap(previewGlyphPixmap(glyph, ratio, true), QIcon::Disabled);
    }
    return icon;
}

} // namespace qlx
