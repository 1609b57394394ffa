#include "pagestore/PrinterSettings.h"

#include <QPageSize>
#include <cmath>

namespace qlx {

namespace {

// Papers recognised on loading, in the order they are tried: A4 first, so that it wins
// whatever else would round to the same 4 mm steps.
const QPageSize::PageSizeId kPapers[] = {
    QPageSize::A4,      QPageSize::Letter, QPageSize::Legal,      QPageSize::A3,
    QPageSize::A5,      QPageSize::B4,     QPageSize::B5,         QPageSize::Executive,
    QPageSize::Tabloid, QPageSize::A6,     QPageSize::Envelope10, QPageSize::EnvelopeDL,
};

// 4 mm steps: 40 tenths of a millimetre.
long steps4mm(double tenthsMm) {
    return std::lround(tenthsMm / 40.0);
}

} // namespace

PaperChoice recognisePaper(double widthTenthsMm, double heightTenthsMm) {
    const long w = steps4mm(widthTenthsMm);
    const long h = steps4mm(heightTenthsMm);
    for (bool landscape : {false, true}) {
        for (QPageSize::PageSizeId id : kPapers) {
            const QSizeF mm = QPageSize::size(id, QPageSize::Millimeter);
            const double pw = mm.width() * 10.0;
            const double ph = mm.height() * 10.0;
            const double across = landscape ? ph : pw;
            const double down = landscape ? pw : ph;
            if (steps4mm(across) == w && steps4mm(down) == h)
                return {int(id), across, down, landscape, true};
        }
    }
    return {int(QPageSize::Custom), widthTenthsMm, heightTenthsMm, widthTenthsMm > heightTenthsMm,
            false};
}

} // namespace qlx
