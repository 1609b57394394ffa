#pragma once

#include <QColor>
#include <QFont>

#include "stores/LabelFont.h"

namespace qlx {

// The Qt side of a label row's font (stores/LabelFont.h).

// The drawing font, at the font's own height or at `pixelHeight` (a height below 1 draws at
// 1). The character set has no counterpart in QFont and is left out.
QFont toQFont(const LabelFont& font);
QFont toQFont(const LabelFont& font, int pixelHeight);
LabelFont fromQFont(const QFont& font, const QColor& colour, int charset);

// The font's colour, opaque, and the 0xRRGGBB a colour keeps (its alpha is dropped).
QColor colourOf(const LabelFont& font);
std::uint32_t rgbOf(const QColor& colour);

} // namespace qlx
