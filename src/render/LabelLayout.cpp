#include "render/LabelLayout.h"

#include <cstdlib>

#include "stores/Utf8.h"

namespace qlx {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero, as the platform's MulDiv.
std::int64_t mulDivRounded(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t product = a * b;
    const std::int64_t quotient = product / c;
    const std::int64_t remainder = product % c;
    if (2 * std::llabs(remainder) >= std::llabs(c)) {
        return quotient + (((product < 0) != (c < 0)) ? -1 : 1);
    }
    return quotient;
}

int checkedPpi(int pixelsPerInch) {
    return pixelsPerInch >= 1 ? pixelsPerInch : 96;
}

bool isDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

// The smallest size the info row is drawn at. A small info font with a long text would
// otherwise reach 0 points (the platform then picks its default size, so the text grows) or
// a negative size.
constexpr int kMinimumInfoPoints = 1;

} // namespace

int LabelLayout::pointsFromPixels(int pixelHeight, int pixelsPerInch) {
    return static_cast<int>(mulDivRounded(pixelHeight, 72, checkedPpi(pixelsPerInch)));
}

int LabelLayout::pixelsFromPoints(int points, int pixelsPerInch) {
    return static_cast<int>(mulDivRounded(points, checkedPpi(pixelsPerInch), 72));
}

int LabelLayout::sizeReduction(std::size_t infoLength) {
    int reduction = 0;
    if (infoLength > 22) {
        reduction = 6;
    }
    if (infoLength > 40) {
        reduction = 12;
    }
    return reduction;
}

int LabelLayout::advanceAfter(char32_t c) {
    switch (c) {
    case 'O':
        return 28;
    case 'b':
    case 'P':
        return 22;
    case 'e':
        return 19;
    case 'g':
        return 18;
    case 'a':
    case 'c':
    case 'd':
    case 'f':
    case 'h':
    case 'i':
    case 'j':
    case 'k':
    case 'l':
    case 'm':
    case 'n':
    case 'o':
    case 'p':
    case 'q':
    case 'r':
    case 's':
    case 't':
    case 'u':
    case 'v':
    case 'x':
    case 'y':
    case 'z':
    case 0xE5: // å U+00E5
    case 0xE4: // ä U+00E4
    case 0xF6: // ö U+00F6
    case '(':
    case ')':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        return 17;
    case '!':
    case ',':
        return 13;
    default:
        return 25;
    }
}

LabelLayoutResult LabelLayout::compute(const LabelLayoutInput& in) {
    const int ppi = checkedPpi(in.pixelsPerInch);
    const LabelCorrections& k = in.corrections;
    LabelLayoutResult result;

    auto rowOutput = [&](const std::string& text, std::int64_t x, std::int64_t y, LabelRow row,
                         const RowFont& font) {
        LabelTextOutput out;
        out.text = text;
        out.x = x;
        out.y = y;
        out.row = row;
        out.pixelHeight = font.pixelHeight;
        out.pointSize = pointsFromPixels(font.pixelHeight, ppi);
        result.outputs.push_back(std::move(out));
    };
    rowOutput(in.mineral, std::int64_t(kMineralX) + k.mineralX,
              std::int64_t(kMineralY) + k.mineralY, LabelRow::Mineral, in.mineralFont);
    rowOutput(in.locality, std::int64_t(kLocalityX) + k.localityX,
              std::int64_t(kLocalityY) + k.localityY, LabelRow::Locality, in.localityFont);

    // The info font is a copy whose point size is lowered; sizes are whole points, so a pixel
    // height goes to points and back.
    result.reduction = sizeReduction(utf8::length(in.info));
    const int fullPoints = pointsFromPixels(in.infoFont.pixelHeight, ppi);
    int reducedPoints = fullPoints - result.reduction;
    if (reducedPoints < kMinimumInfoPoints && reducedPoints < fullPoints) {
        reducedPoints = fullPoints < kMinimumInfoPoints ? fullPoints : kMinimumInfoPoints;
    }
    result.reducedPointSize = reducedPoints;
    const int reducedPixels = pixelsFromPoints(reducedPoints, ppi);

    result.infoText = " " + in.info;
    const std::string& s = result.infoText;
    std::int64_t runningX = -25;
    char32_t predecessor = 0;
    bool hasPredecessor = false;
    for (std::size_t pos = 0; pos < s.size();) {
        const std::size_t start = pos;
        const char32_t c = utf8::next(s, pos);
        int advance = 25;
        int drop = 0;
        if (hasPredecessor) {
            advance = advanceAfter(predecessor);
        }
        const bool lowered = isDigit(c) || c == '.';
        const bool followsPoint = hasPredecessor && predecessor == '.';
        if (lowered && !followsPoint) {
            drop = kSubscriptDrop;
            advance -= 4;
        }
        if (followsPoint) {
            advance -= 8;
        }
        runningX += advance;

        LabelTextOutput out;
        out.text = s.substr(start, pos - start);
        out.x = std::int64_t(kInfoX) + k.infoX + runningX;
        out.y = std::int64_t(kInfoY) + k.infoY + drop;
        out.row = LabelRow::Info;
        out.pointSize = reducedPoints;
        out.pixelHeight = reducedPixels;
        out.lowered = drop != 0;
        result.outputs.push_back(std::move(out));
        predecessor = c;
        hasPredecessor = true;
    }

    // The surface's font gets its size back by adding the reduction to the size it reads now.
    const int restoredPoints = pointsFromPixels(reducedPixels, ppi) + (fullPoints - reducedPoints);
    result.restoredPixelHeight = pixelsFromPoints(restoredPoints, ppi);
    return result;
}

} // namespace qlx
