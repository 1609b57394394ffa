#pragma once

#include <QSizeF>
#include <QString>

namespace qlx {

enum class PaperSize { A4, A3, A5, B5, Letter, Legal, Executive, Custom };
enum class PaperOrientation { Portrait, Landscape };

// The printer settings a page store carries: the report's choice while it produces pages,
// or what was recognised from a loaded file.
struct PrinterSettings {
    QString printer; // empty: the system's default printer
    PaperSize paperSize = PaperSize::A4;
    PaperOrientation orientation = PaperOrientation::Portrait;
    int copies = 1;
    QString paperSource; // empty: automatic
    int firstPage = 0;   // 0: no limit on that side
    int lastPage = 0;

    // Width and length of a paper size in portrait, in tenths of a millimetre; empty for
    // Custom.
    static QSizeF paperTenthsMm(PaperSize size);

    // Recognises the paper of a page measuring `page` (tenths of a millimetre): a size of
    // the table in portrait, or in landscape when width and length match swapped. Sizes are
    // compared in whole steps of 4 mm. Leaves the settings unchanged when nothing matches.
    void recognisePaper(const QSizeF& page);
};

} // namespace qlx
