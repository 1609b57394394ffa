#include "pictures/LabelFont.h"

#include <cmath>

namespace qlx {

LabelFont LabelFont::regular(const QString& face, int pixelHeight) {
    LabelFont font;
    font.face = face;
    font.pixelHeight = pixelHeight;
    // Labels are printed on white stock: black, whatever the desktop's theme.
    font.colour = Qt::black;
    font.charset = kAnsiCharset;
    return font;
}

QFont LabelFont::toQFont() const {
    QFont font(face);
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 1);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    return font;
}

LabelFont LabelFont::fromQFont(const QFont& font, const QColor& colour, int charset) {
    LabelFont out;
    out.face = font.family();
    out.pixelHeight = font.pixelSize() > 0 ? font.pixelSize() : pixelsFromPoints(font.pointSizeF());
    out.bold = font.bold();
    out.italic = font.italic();
    out.underline = font.underline();
    out.strikeOut = font.strikeOut();
    out.colour = colour;
    out.charset = charset;
    return out;
}

int LabelFont::pointsFromPixels(int pixels) {
    return int(std::lround(pixels * 72.0 / 96.0));
}

int LabelFont::pixelsFromPoints(double points) {
    return int(std::lround(points * 96.0 / 72.0));
}

bool LabelFont::operator==(const LabelFont& other) const {
    return face == other.face && pixelHeight == other.pixelHeight && bold == other.bold &&
           italic == other.italic && underline == other.underline && strikeOut == other.strikeOut &&
           colour == other.colour && charset == other.charset;
}

} // namespace qlx
