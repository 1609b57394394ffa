#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sheet/TextMeasurer.h"
#include "stores/LabelFont.h"

namespace qlx {

// The six signed pixel offsets of the appearance controls, unbounded.
struct LabelCorrections {
    int mineralX = 0;
    int mineralY = 0;
    int localityX = 0;
    int localityY = 0;
    int infoX = 0;
    int infoY = 0;
};

enum class LabelRow { Mineral, Locality, Info };

// One text output, in drawing order: the text's cell has its top-left corner at (x, y) in
// pixels of the label bitmap. Coordinates are 64-bit because the corrections are unbounded.
struct LabelTextOutput {
    std::string text; // UTF-8; may be empty (then nothing is painted)
    std::int64_t x = 0;
    std::int64_t y = 0;
    LabelRow row = LabelRow::Mineral;
    int pointSize = 0;    // size in whole points of the font used for this output
    int pixelHeight = 0;  // the same size as a character height in pixels
    bool lowered = false; // info characters only: set on the subscript line
    bool raised = false;  // info characters only: a charge, set above the line
};

struct LabelLayoutInput {
    std::string mineral;  // UTF-8
    std::string locality; // UTF-8
    std::string info;     // UTF-8, as the info field holds it before composing
    // Regular black Arial of 27 pixels until the caller sets them (the character set is not
    // the layout's concern).
    LabelFont mineralFont = LabelFont::regular("Arial", 27);
    LabelFont localityFont = LabelFont::regular("Arial", 27);
    LabelFont infoFont = LabelFont::regular("Arial", 27);
    LabelCorrections corrections;
    int pixelsPerInch = 96;
    // Mineral and locality rows that would run past the label's right edge (less
    // kFitMargin) are drawn smaller, down to kFitSmallestPercent of their font, and then cut
    // at a word with an ellipsis. Needs the label bitmap's width and a measurer.
    bool fitLongRows = false;
    int labelWidth = 0;
};

struct LabelLayoutResult {
    std::vector<LabelTextOutput> outputs; // mineral, locality, then one per info glyph
    std::string infoText;        // the info text with its lead space: the field's new value
    int reduction = 0;           // points taken off the info font: 0, 6 or 12
    int reducedPointSize = 0;    // the info font's size while the info row is drawn
    int restoredPixelHeight = 0; // the surface font's height once the reduction is added back
};

// The layout of one label: where every piece of text goes and in which font size. Pure
// arithmetic; LabelPainter draws the result.
class LabelLayout {
public:
    // Row origins before corrections.
    static constexpr int kMineralX = 151;
    static constexpr int kMineralY = 32;
    static constexpr int kLocalityX = 151;
    static constexpr int kLocalityY = 94;
    static constexpr int kInfoX = 147;
    static constexpr int kInfoY = 139;
    // How far a lowered info character drops.
    static constexpr int kSubscriptDrop = 14;
    // How far a charge in the info row (Fe2+) is raised.
    static constexpr int kSuperscriptRaise = 9;

    // Fitting long rows: the gap kept to the label's right edge, and the smallest size tried
    // in percent of the row's font (rounded up to a whole pixel).
    static constexpr int kFitMargin = 6;
    static constexpr int kFitSmallestPercent = 60;
    // The measurer is asked at this resolution, where a font's point size is its pixel
    // height (ScreenTextMeasurer(kMeasureDpi) measures so); without one nothing is fitted.
    static constexpr int kMeasureDpi = 72;

    static LabelLayoutResult compute(const LabelLayoutInput& input,
                                     const TextMeasurer* measurer = nullptr);

    // A row's text and pixel height so that it is at most `space` pixels wide: the text as
    // it is at the largest height from the font's own down to kFitSmallestPercent of it, or
    // at that smallest height cut after a word (failing that, after a character) and ended
    // with "…". An empty text, or one that fits, comes back as it is.
    struct FittedRow {
        std::string text;
        int pixelHeight = 0;
    };
    static FittedRow fitRow(const std::string& text, const LabelFont& font, std::int64_t space,
                            const TextMeasurer& measurer);

    // Points taken off the info font for an info text of the given length in characters
    // (before the lead space is added; "[]", drawn as one □, counts once).
    static int sizeReduction(std::size_t infoLength);

    // The pixels from an info character to the next, by the character (exact code point:
    // the table's letters, å ä ö among them; every other character, whatever its script, 25).
    static int advanceAfter(char32_t c);

    // Font size conversions, each rounded to the nearest whole number (halves away from
    // zero). A pixels-per-inch value below 1 is taken as 96.
    static int pointsFromPixels(int pixelHeight, int pixelsPerInch);
    static int pixelsFromPoints(int points, int pixelsPerInch);
};

} // namespace qlx
