#include "stores/LabelFont.h"

#include <cmath>
#include <utility>

namespace qlx {

LabelFont LabelFont::regular(std::string face, int pixelHeight) {
    LabelFont font;
    font.face = std::move(face);
    font.pixelHeight = pixelHeight;
    font.colour = 0x000000;
    font.charset = kAnsiCharset;
    return font;
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
