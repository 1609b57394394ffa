#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace qlx {

// Where a window of outer size `outer` (frame included) goes so that it lies inside
// `available`: `wanted` when it fits there, otherwise moved in just far enough. A window
// larger than the area keeps its top left corner (and so its title bar) inside it.
QPoint placeInside(QPoint wanted, QSize outer, const QRect& available);

} // namespace qlx
