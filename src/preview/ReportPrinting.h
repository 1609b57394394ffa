#pragma once

#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <functional>

#include "preview/PrintSettings.h"

class QPainter;
class QPrinter;

namespace qlx {

class PreviewDocument;

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

bool printerInstalled();

// The report's settings applied to a printer: the chosen printer (or the default), the paper
// in the given orientation set explicitly (the platform would otherwise take it from the
// locale), copies, automatic paper source and the job's name.
void configurePrinter(QPrinter& printer, const PrintSettings& settings, const QPageSize& paper,
                      const QString& jobName);

// The target of a configured printer: its resolution and unprintable margins.
PageTarget printerTarget(const QPrinter& printer, const QSizeF& paperTenthsMm);

// Where a page of `frameTenthsMm` lands on a printer's painter: at its physical size, its
// top-left corner on the paper's top-left corner, as a page the report draws there itself.
QRectF physicalPageRect(const PageTarget& printer, const QSizeF& frameTenthsMm);

// A loaded document printed page by page, each page at its recorded physical size placed from
// the paper's edges and clipped to the printable area. Pages first to last (0 meaning no
// limit), kept within the document. The job is aborted when `cancelled` says so after a page;
// it is ended in every case. Returns false when the job could not start.
bool printDocumentPages(const PreviewDocument& document, QPrinter& printer, int firstPage,
                        int lastPage, const std::function<bool()>& cancelled = {});

} // namespace qlx
