#pragma once

#include <cstdint>
#include <string>

namespace qlx {

// A report font: sizes are whole points, applied to each device at its own resolution.
struct SheetFont {
    std::string face = "Arial"; // UTF-8
    int pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t colour = 0x000000; // 0xRRGGBB; the window-text colour
};

// Measures single lines of text for the automatic sizing of text elements, in tenths of a
// millimetre. The plain layout code asks through this interface; ScreenTextMeasurer answers
// with the screen's font metrics.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // The advance width of one line (UTF-8, no line breaks) in the font.
    virtual double lineWidth(const SheetFont& font, const std::string& line) const = 0;
    // The full line height (ascent plus descent) of the font.
    virtual double lineHeight(const SheetFont& font) const = 0;
};

} // namespace qlx
