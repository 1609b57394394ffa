#include "preview/ReportPrinting.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "pagestore/PreviewDocument.h"
#include "preview/PrintSpool.h"
#include "stores/Error.h"

namespace qlx {

bool printerInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool printerReachable(const QString& chosenPrinter) {
    if (printerInstalled())
        return true;
    if (schedulerState() != SchedulerState::Unreachable)
        return false;
    const QString name = chosenPrinter.isEmpty() ? QStringLiteral("(the default printer)")
                                                 : QStringLiteral("\"%1\"").arg(chosenPrinter);
    throw Error(QStringLiteral("Cannot print on the printer %1: the print scheduler cannot be "
                               "reached")
                    .arg(name)
                    .toStdString());
}

QString printQueue(const QString& chosenPrinter) {
    const QString queue = printQueueFor(chosenPrinter);
    if (queue.isEmpty())
        throw Error("Cannot print: no printer is chosen and there is no default printer");
    return queue;
}

void configurePrinter(QPrinter& printer, const PrintSettings& settings, const QPageSize& paper,
                      const QString& jobName) {
    if (!settings.printerName.isEmpty())
        printer.setPrinterName(settings.printerName);
    printer.setFullPage(false);
    printer.setPageSize(paper);
    printer.setPageOrientation(settings.orientation);
    printer.setCopyCount(qMax(1, settings.copies));
    printer.setPaperSource(QPrinter::Auto);
    printer.setDocName(jobName);
}

PageTarget printerTarget(const QPrinter& printer, const QSizeF& paperTenthsMm) {
    PageTarget t;
    t.dpiX = printer.logicalDpiX();
    t.dpiY = printer.logicalDpiY();
    const QRectF paper = printer.paperRect(QPrinter::Millimeter);
    const QRectF page = printer.pageRect(QPrinter::Millimeter);
    t.offsetLeft = (page.left() - paper.left()) * 10.0;
    t.offsetTop = (page.top() - paper.top()) * 10.0;
    t.paperTenthsMm = paperTenthsMm;
    return t;
}

QRectF physicalPageRect(const PageTarget& printer, const QSizeF& frameTenthsMm) {
    return QRectF(-printer.offsetLeft * printer.dpiX / 254.0,
                  -printer.offsetTop * printer.dpiY / 254.0,
                  frameTenthsMm.width() * printer.dpiX / 254.0,
                  frameTenthsMm.height() * printer.dpiY / 254.0);
}

bool printDocumentPages(const PreviewDocument& document, QPrinter& printer, int firstPage,
                        int lastPage, const PrintPageStep& step) {
    const int count = document.pagesAvailable();
    const int first = firstPage > 0 ? firstPage : 1;
    const int last = lastPage > 0 ? qMin(lastPage, count) : count;
    if (first > last)
        return true;
    const QSizeF paper = document.paperSize();
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Qt spools a print job as a PDF; without this hint its bitmaps go in as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const PageTarget target = printerTarget(printer, paper);
    const int total = last - first + 1;
    for (int n = first; n <= last; ++n) {
        QCoreApplication::processEvents();
        // The events may have closed the window that owns the document: ask before touching it.
        if (step && !step(n - first, total)) {
            painter.end(); // what was written is not sent
            return false;
        }
        if (n > first)
            printer.newPage();
        painter.save();
        painter.setClipRect(QRect(0, 0, printer.width(), printer.height()));
        document.drawPage(n, painter, physicalPageRect(target, document.pageFrameTenthsMm(n)));
        painter.restore();
    }
    if (step)
        step(total, total);
    return painter.end();
}

} // namespace qlx
