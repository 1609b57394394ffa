#pragma once

#include <QIcon>

namespace qlx {

// The glyphs of the preview's tool buttons, drawn here so that they look the same on every
// desktop: one 16 x 16 design, rendered at 1x and 2x.
enum class PreviewGlyph {
    ZoomFit,
    Zoom100,
    ZoomToWidth,
    FirstPage,
    PreviousPage,
    NextPage,
    LastPage,
    PrintSetup,
    Print,
    SaveReport,
    LoadReport,
    ZoomIn,
    ZoomOut,
    SavePdf,
};

inline constexpr int kPreviewGlyphCount = 14;

QIcon previewGlyph(PreviewGlyph glyph);

// One rendering of a glyph at a device pixel ratio (1 or 2): 16 x 16 logical pixels.
QPixmap previewGlyphPixmap(PreviewGlyph glyph, int ratio, bool disabled = false);

} // namespace qlx
