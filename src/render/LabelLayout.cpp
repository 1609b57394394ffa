#include "render/LabelLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/FormulaSetting.h"
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

// The smallest size the info row is drawn at. A small info font with a long text would
// otherwise reach 0 points (the platform then picks its default size, so the text grows) or
// a negative size.
constexpr int kMinimumInfoPoints = 1;

const char* const kEllipsis = "\u2026";

// The row's text width in whole pixels (partly covered pixels count) at a pixel height.
std::int64_t rowWidth(const TextMeasurer& measurer, const LabelFont& font, int pixelHeight,
                      const std::string& text) {
    SheetFont f;
    f.face = font.face;
    f.pointSize = pixelHeight; // at the measuring resolution a point is a pixel
    f.bold = font.bold;
    f.italic = font.italic;
    f.underline = font.underline;
    f.strikeOut = font.strikeOut;
    const double tenths = measurer.lineWidth(f, text);
    return std::int64_t(std::ceil(tenths * LabelLayout::kMeasureDpi / 254.0 - 1e-6));
}

// Where a cut may end a shortened row: the text before a space, without the spaces and the
// separating punctuation that would stand before the ellipsis.
std::vector<std::size_t> wordEnds(const std::string& text) {
    std::vector<std::size_t> ends;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != ' ' || text[i - 1] == ' ')
            continue;
        std::size_t end = i;
        while (end > 0 && std::string_view(" ,;:-/").find(text[end - 1]) != std::string_view::npos)
            --end;
        if (end > 0 && (ends.empty() || ends.back() != end))
            ends.push_back(end);
    }
    return ends;
}

} // namespace

LabelLayout::FittedRow LabelLayout::fitRow(const std::string& text, const LabelFont& font,
                                           std::int64_t space, const TextMeasurer& measurer) {
    const int full = font.pixelHeight;
    if (text.empty() || full < 1 || rowWidth(measurer, font, full, text) <= space)
        return {text, full};
    const int smallest = std::max(1, (full * kFitSmallestPercent + 99) / 100);
    for (int height = full - 1; height >= smallest; --height) {
        if (rowWidth(measurer, font, height, text) <= space)
            return {text, height};
    }
    const auto fits = [&](std::size_t end) {
        return rowWidth(measurer, font, smallest, text.substr(0, end) + kEllipsis) <= space;
    };
    // The longest run of whole words that fits with the ellipsis.
    const std::vector<std::size_t> ends = wordEnds(text);
    for (auto it = ends.rbegin(); it != ends.rend(); ++it) {
        if (fits(*it))
            return {text.substr(0, *it) + kEllipsis, smallest};
    }
    // Not even the first word fits: it is cut after the last character that does, found by
    // halving over the character boundaries.
    std::vector<std::size_t> chars;
    for (std::size_t pos = 0; pos < text.size();) {
        utf8::next(text, pos);
        chars.push_back(pos);
    }
    std::size_t low = 0, high = chars.size(); // chars[low - 1] fits; chars[high] does not
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (fits(chars[mid]))
            low = mid + 1;
        else
            high = mid;
    }
    return {(low == 0 ? std::string() : text.substr(0, chars[low - 1])) + kEllipsis, smallest};
}

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

LabelLayoutResult LabelLayout::compute(const LabelLayoutInput& in, const TextMeasurer* measurer) {
    const int ppi = checkedPpi(in.pixelsPerInch);
    const LabelCorrections& k = in.corrections;
    LabelLayoutResult result;

    auto rowOutput = [&](const std::string& text, std::int64_t x, std::int64_t y, LabelRow row,
                         const LabelFont& font) {
        LabelTextOutput out;
        out.text = text;
        out.x = x;
        out.y = y;
        out.row = row;
        out.pixelHeight = font.pixelHeight;
        if (in.fitLongRows && measurer && in.labelWidth > 0) {
            FittedRow fitted = fitRow(text, font, in.labelWidth - kFitMargin - x, *measurer);
            out.text = std::move(fitted.text);
            out.pixelHeight = fitted.pixelHeight;
        }
        out.pointSize = pointsFromPixels(out.pixelHeight, ppi);
        result.outputs.push_back(std::move(out));
    };
    rowOutput(in.mineral, std::int64_t(kMineralX) + k.mineralX,
              std::int64_t(kMineralY) + k.mineralY, LabelRow::Mineral, in.mineralFont);
    rowOutput(in.locality, std::int64_t(kLocalityX) + k.localityX,
              std::int64_t(kLocalityY) + k.localityY, LabelRow::Locality, in.localityFont);

    // The info font is a copy whose point size is lowered; sizes are whole points, so a pixel
    // height goes to points and back.
    result.reduction = sizeReduction(infoGlyphCount(in.info));
    const int fullPoints = pointsFromPixels(in.infoFont.pixelHeight, ppi);
    int reducedPoints = fullPoints - result.reduction;
    if (reducedPoints < kMinimumInfoPoints && reducedPoints < fullPoints) {
        reducedPoints = fullPoints < kMinimumInfoPoints ? fullPoints : kMinimumInfoPoints;
    }
    result.reducedPointSize = reducedPoints;
    const int reducedPixels = pixelsFromPoints(reducedPoints, ppi);

    result.infoText = " " + in.info;
    std::int64_t runningX = -25;
    bool hasPredecessor = false;
    char32_t predecessor = 0;
    for (InfoGlyph& glyph : setInfoRow(result.infoText)) {
        int advance = hasPredecessor ? advanceAfter(predecessor) : 25;
        advance -= glyph.cut;
        runningX += advance;
        int offset = 0;
        if (glyph.place == InfoPlace::Lowered)
            offset = kSubscriptDrop;
        else if (glyph.place == InfoPlace::Raised)
            offset = -kSuperscriptRaise;

        LabelTextOutput out;
        out.text = std::move(glyph.text);
        out.x = std::int64_t(kInfoX) + k.infoX + runningX;
        out.y = std::int64_t(kInfoY) + k.infoY + offset;
        out.row = LabelRow::Info;
        out.pointSize = reducedPoints;
        out.pixelHeight = reducedPixels;
        out.lowered = glyph.place == InfoPlace::Lowered;
        out.raised = glyph.place == InfoPlace::Raised;
        result.outputs.push_back(std::move(out));
        predecessor = glyph.advanceKey;
        hasPredecessor = true;
    }

    // The surface's font gets its size back by adding the reduction to the size it reads now.
    const int restoredPoints = pointsFromPixels(reducedPixels, ppi) + (fullPoints - reducedPoints);
    result.restoredPixelHeight = pixelsFromPoints(restoredPoints, ppi);
    return result;
}

} // namespace qlx
