#pragma once

#include "metafile/MetafileBytes.h"
#include "metafile/MetafileCanvas.h"

namespace qlx::gdi {

// The platform's pen, brush and font descriptions turned into the player's objects; shared
// by the enhanced and the Windows metafile players.
GdiPen pen(uint32_t style, int32_t width, QColor colour, const QVector<qreal>& dashes);
GdiBrush brush(uint32_t style, QColor colour, uint32_t hatch);
GdiPen stockPen(uint32_t index);
GdiBrush stockBrush(uint32_t index);
// A LOGFONTW (wide, 92 bytes) as in enhanced metafiles.
GdiFont font(const ByteView& logFont, bool wide);

} // namespace qlx::gdi
