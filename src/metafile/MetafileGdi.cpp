#include "metafile/MetafileGdi.h"

#include "metafile/MetafileDib.h"
#include "stores/Error.h"

namespace qlx::gdi {

GdiPen pen(uint32_t style, int32_t width, QColor colour, const QVector<qreal>& dashes) {
    GdiPen p;
    p.colour = colour;
    const uint32_t kind = style & 0x0F;
    switch (kind) {
    case 1:
        p.style = Qt::DashLine;
        break;
    case 2:
        p.style = Qt::DotLine;
        break;
    case 3:
        p.style = Qt::DashDotLine;
        break;
    case 4:
        p.style = Qt::DashDotDotLine;
        break;
    case 5:
        p.null = true;
        break;
    case 7: // PS_USERSTYLE
        p.style = dashes.isEmpty() ? Qt::SolidLine : Qt::CustomDashLine;
        p.dashes = dashes;
        break;
    default: // solid, inside frame, alternate
        break;
    }
    const bool geometric = style & 0x10000;
    p.width = width < 0 ? 0 : width;
    p.cosmetic = !geometric && width <= 1;
    switch (style & 0xF00) {
    case 0x100:
        p.cap = Qt::SquareCap;
        break;
    case 0x200:
        p.cap = Qt::FlatCap;
        break;
    default:
        p.cap = Qt::RoundCap;
    }
    switch (style & 0xF000) {
    case 0x1000:
        p.join = Qt::BevelJoin;
        break;
    case 0x2000:
        p.join = Qt::MiterJoin;
        break;
    default:
        p.join = Qt::RoundJoin;
    }
    return p;
}

GdiBrush brush(uint32_t style, QColor colour, uint32_t hatch) {
    GdiBrush b;
    b.colour = colour;
    if (style == 1) { // BS_NULL
        b.null = true;
    } else if (style == 2) { // BS_HATCHED
        static const Qt::BrushStyle kHatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                  Qt::FDiagPattern, Qt::BDiagPattern,
                                                  Qt::CrossPattern, Qt::DiagCrossPattern};
        b.style = hatch < 6 ? kHatches[hatch] : Qt::SolidPattern;
    }
    return b;
}

GdiPen stockPen(uint32_t index) {
    GdiPen p;
    if (index == 6) // WHITE_PEN
        p.colour = Qt::white;
    else if (index == 8) // NULL_PEN
        p.null = true;
    return p;
}

GdiBrush stockBrush(uint32_t index) {
    static const int kGreys[] = {255, 192, 128, 64, 0};
    GdiBrush b;
    if (index <= 4)
        b.colour = QColor(kGreys[index], kGreys[index], kGreys[index]);
    else if (index == 5)
        b.null = true;
    return b;
}

GdiFont font(const ByteView& v, bool wide) {
    GdiFont f;
    f.height = v.i32(0);
    f.escapement = v.i32(8);
    f.weight = v.i32(16);
    f.italic = v.u8(20);
    f.underline = v.u8(21);
    f.strikeOut = v.u8(22);
    f.charSet = v.u8(23);
    QString face;
    for (size_t i = 0; i < 32; ++i) {
        const uint16_t c = wide ? v.u16(28 + 2 * i) : v.u8(28 + i);
        if (c == 0)
            break;
        face.append(QChar(c));
    }
    if (!face.isEmpty())
        f.face = face;
    return f;
}

void select(const GdiObject& object, MetafileCanvas::State& state, std::vector<QRgb>& palette) {
    switch (object.kind) {
    case GdiObject::Pen:
        state.pen = object.pen;
        break;
    case GdiObject::Brush:
        state.brush = object.brush;
        break;
    case GdiObject::Font:
        state.font = object.font;
        break;
    case GdiObject::Palette:
        palette = object.palette;
        break;
    case GdiObject::None:
    case GdiObject::Other:
        break;
    }
}

QImage patternImage(const MetafileDib& dib, const std::vector<QRgb>& palette,
                    MetafileCanvas& canvas) {
    try {
        return dib.toImage(palette);
    } catch (const Error& failure) {
        canvas.noteProblem(failure.what());
        return QImage();
    }
}

} // namespace qlx::gdi
