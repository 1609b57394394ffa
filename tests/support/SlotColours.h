#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

namespace qlx::test {

// Fifteen colours, one per sheet slot, that differ by at least 80 in some channel and none
// near white, so that a printed or played slot is told from its neighbours and the paper.
QColor slotColour(int slot);

// A label picture of one colour.
QImage solidImage(const QColor& colour, QSize size = QSize(217, 137));

} // namespace qlx::test
