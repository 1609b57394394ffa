#pragma once

#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <functional>

#include "pagestore/PageTarget.h"
#include "preview/PrintSettings.h"

class QPainter;
class QPrinter;

namespace qlx {

class PreviewDocument;

bool printerInstalled();

// Before a print: false when there is no printer at all (nothing to do); throws a message
// naming the printer when the scheduler cannot be reached, which is not the same thing.
bool printerReachable(const QString& chosenPrinter);

// The queue a print goes to, named in messages: the chosen one, else the default.
QString printQueue(const QString& chosenPrinter);

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

// Told before each page, once pending events have been handled: how many pages of how many
// are done. Returns false to stop the job there.
using PrintPageStep = std::function<bool(int done, int total)>;

// A loaded document printed page by page, each page at its recorded physical size placed from
// the paper's edges and clipped to the printable area. Pages first to last (0 meaning no
// limit), kept within the document. Pending events are handled before each page; when `step`
// then says stop, the job is aborted before that page is drawn (nothing of it is sent), and
// the document is not touched again: the step may have seen its owner go. The job is ended
// in every case. Returns false when the job could not start or was stopped.
bool printDocumentPages(const PreviewDocument& document, QPrinter& printer, int firstPage,
                        int lastPage, const PrintPageStep& step = {});

} // namespace qlx
