#pragma once

#include <QSizeF>
#include <QString>

namespace qlx {

// A paper size in tenths of a millimetre, as laid on the page (width across).
struct PaperChoice {
    int pageSizeId = 0; // QPageSize::PageSizeId (0 is A4); QPageSize::Custom when nothing matched
    double widthTenthsMm = 2100;
    double heightTenthsMm = 2970;
    bool landscape = false;
    bool matched = true;

    QSizeF tenthsMm() const { return QSizeF(widthTenthsMm, heightTenthsMm); }
};

// Recognises a page's paper from its picture frame: each side compared with the known paper
// sizes in whole steps of 4 mm, portrait first, then landscape (width and length swapped).
// A frame that matches nothing keeps its own size, as a custom paper.
PaperChoice recognisePaper(double widthTenthsMm, double heightTenthsMm);

// The printer settings a page store carries: the report's choice while it produces pages,
// or what was recognised from a loaded file.
struct PrinterSettings {
    QString printer;   // empty: the system's default printer
    PaperChoice paper; // A4 portrait
    int copies = 1;
    QString paperSource; // empty: automatic
    int firstPage = 0;   // 0: no limit on that side
    int lastPage = 0;
};

} // namespace qlx
