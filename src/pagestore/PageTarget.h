#pragma once

#include <QSizeF>
#include <functional>

class QPainter;

namespace qlx {

// Where a page is produced: the device's dots per inch, the unprintable left and top margins
// (tenths of a millimetre; positions are mapped as (v - offset) * dpi / 254 so that they stay
// measured from the paper's edges), the paper laid out, width across, and which page of the
// report (from 1).
struct PageTarget {
    double dpiX = 96;
    double dpiY = 96;
    double offsetLeft = 0;
    double offsetTop = 0;
    QSizeF paperTenthsMm{2100, 2970};
    int page = 1;
};

// Draws the report's page onto a painter for a target; the sheet report's drawing function.
using PageProducer = std::function<void(QPainter&, const PageTarget&)>;

} // namespace qlx
