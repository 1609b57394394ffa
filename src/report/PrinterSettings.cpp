#include "report/PrinterSettings.h"

#include <cmath>

namespace qlx {

namespace {

struct PaperEntry {
    PaperSize size;
    double width;
    double length;
};

// Tenths of a millimetre, portrait.
constexpr PaperEntry kPapers[] = {
    {PaperSize::A4, 2100, 2970},        {PaperSize::A3, 2970, 4200},
    {PaperSize::A5, 1480, 2100},        {PaperSize::B5, 1820, 2570},
    {PaperSize::Letter, 2159, 2794},    {PaperSize::Legal, 2159, 3556},
    {PaperSize::Executive, 1842, 2667},
};

// 4 mm steps: 40 tenths of a millimetre.
long steps(double tenths) {
    return std::lround(tenths / 40.0);
}

} // namespace

QSizeF PrinterSettings::paperTenthsMm(PaperSize size) {
    for (const PaperEntry& entry : kPapers)
        if (entry.size == size)
            return QSizeF(entry.width, entry.length);
    return {};
}

void PrinterSettings::recognisePaper(const QSizeF& page) {
    if (page.isEmpty())
        return;
    const long w = steps(page.width());
    const long h = steps(page.height());
    for (const PaperEntry& entry : kPapers) {
        if (steps(entry.width) == w && steps(entry.length) == h) {
            paperSize = entry.size;
            orientation = PaperOrientation::Portrait;
            return;
        }
        if (steps(entry.width) == h && steps(entry.length) == w) {
            paperSize = entry.size;
            orientation = PaperOrientation::Landscape;
            return;
        }
    }
}

} // namespace qlx
