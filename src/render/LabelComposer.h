#pragma once

#include <QSize>
#include <string>

#include "render/LabelLayout.h"

namespace qlx {

class Picture;

// Draws one label onto `label`, which holds a fresh copy of the label background: the
// mineral and locality rows and the info row character by character. An empty picture
// becomes a white bitmap of `blankSize` first; an icon or a metafile becomes the bitmap
// Picture::toDrawableBitmap makes of it, within kMaxLabelPixels. Returns the info text with
// the lead space the label was drawn with.
std::string composeLabel(Picture& label, const QSize& blankSize, const LabelLayoutInput& input);

} // namespace qlx
