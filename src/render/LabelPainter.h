#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <vector>

#include "render/LabelLayout.h"

namespace qlx {

// Draws a label layout onto a bitmap the way the platform's text output does: each text has
// the top-left corner of its cell at its point; the cell (the text's advance width by the
// font's full line height) is painted opaque white first, then the glyphs go on in the
// font's colour, so a later output covers an earlier one where their cells overlap.
class LabelPainter {
public:
    // Paints every output in order. An empty text paints nothing. Bitmaps in a format that
    // cannot be painted on (indexed colours, monochrome) are first converted to 32-bit RGB.
    static void paint(QImage& image, const LabelLayoutInput& input,
                      const std::vector<LabelTextOutput>& outputs);

    // Paints one text output on a painter that is active on a bitmap of the given size.
    static void paintText(QPainter& painter, const QSize& bitmapSize, const QFont& font,
                          QRgb colour, const LabelTextOutput& output);
};

} // namespace qlx
