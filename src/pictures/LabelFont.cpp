#include "pictures/LabelFont.h"

#include <algorithm>

#include "pictures/Text.h"

namespace qlx {

QFont toQFont(const LabelFont& font) {
    return toQFont(font, font.pixelHeight);
}

QFont toQFont(const LabelFont& font, int pixelHeight) {
    QFont f(toQString(font.face));
    f.setPixelSize(std::max(1, pixelHeight));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    return f;
}

LabelFont fromQFont(const QFont& font, const QColor& colour, int charset) {
    LabelFont out;
    out.face = fromQString(font.family());
    out.pixelHeight =
        font.pixelSize() > 0 ? font.pixelSize() : LabelFont::pixelsFromPoints(font.pointSizeF());
    out.bold = font.bold();
    out.italic = font.italic();
    out.underline = font.underline();
    out.strikeOut = font.strikeOut();
    out.colour = rgbOf(colour);
    out.charset = charset;
    return out;
}

QColor colourOf(const LabelFont& font) {
    return QColor::fromRgb(QRgb(0xFF000000u | font.colour));
}

std::uint32_t rgbOf(const QColor& colour) {
    return colour.rgb() & 0xFFFFFFu;
}

} // namespace qlx
