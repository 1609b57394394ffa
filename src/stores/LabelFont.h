#pragma once

#include <cstdint>
#include <string>

namespace qlx {

// The font of one label row: face, character height in pixels of the label bitmap, style,
// colour and Windows character set. The one description of a row's font: the font dialogs
// hold it, the layout and the painter draw with it, and a settings file keeps it (all but the
// character set). Plain values, so a label can be laid out without a window system; the Qt
// side converts it to and from QFont (pictures/LabelFont.h).
struct LabelFont {
    static constexpr int kAnsiCharset = 0;
    static constexpr int kDefaultCharset = 1;

    std::string face = "Arial"; // UTF-8
    int pixelHeight = 37;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t colour = 0x000000; // 0xRRGGBB
    int charset = kAnsiCharset;

    // A regular black font (the window-text colour of the classic desktop; labels are
    // printed on white stock, whatever the desktop's theme) with the ANSI character set.
    static LabelFont regular(std::string face, int pixelHeight);

    // Points at 96 pixels per inch, rounded half away from zero, and back.
    static int pointsFromPixels(int pixels);
    static int pixelsFromPoints(double points);

    bool operator==(const LabelFont& other) const;
    bool operator!=(const LabelFont& other) const { return !(*this == other); }
};

} // namespace qlx
