#pragma once

#include "metafile/MetafileBytes.h"
#include "metafile/MetafileCanvas.h"

#include <vector>

namespace qlx {

class MetafileDib;

// One entry of a metafile's object table, as a create record left it. The enhanced player
// never makes `Other`; the Windows one fills a slot with it for objects it does not draw with.
struct GdiObject {
    enum Kind { None, Pen, Brush, Font, Palette, Other } kind = None;
    GdiPen pen;
    GdiBrush brush;
    GdiFont font;
    std::vector<QRgb> palette;
};

} // namespace qlx

namespace qlx::gdi {

// The platform's pen, brush and font descriptions turned into the player's objects; shared
// by the enhanced and the Windows metafile players.
GdiPen pen(uint32_t style, int32_t width, QColor colour, const QVector<qreal>& dashes);
GdiBrush brush(uint32_t style, QColor colour, uint32_t hatch);
GdiPen stockPen(uint32_t index);
GdiBrush stockBrush(uint32_t index);
// A LOGFONTW (wide, 92 bytes) as in enhanced metafiles.
GdiFont font(const ByteView& logFont, bool wide);

// A pattern brush's bitmap, or a null image (the brush paints plain) with the reason noted
// on the canvas when the bitmap cannot be decoded.
QImage patternImage(const MetafileDib& dib, const std::vector<QRgb>& palette,
                    MetafileCanvas& canvas);

// Makes an object current: a pen, brush or font in the drawing state, a palette in
// `palette`. Selecting an empty slot, or an object of no drawing kind, changes nothing,
// quietly, as on the platform.
void select(const GdiObject& object, MetafileCanvas::State& state, std::vector<QRgb>& palette);

} // namespace qlx::gdi
