#include "preview/PrinterSetupDialog.h"

#include "preview/PrintSpool.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSet>

#include "preview/ReportPrinting.h"

namespace qlx {

namespace {

// The print dialog's properties sheet starts its paper list at the printer's own default
// (US Letter in many printer descriptions), whatever paper the printer object was given. The
// sheet prints on A4 only, so while it lives this turns each paper list to A4 as it first
// shows, which is what the user then sees and what the sheet's layout is set to.
class A4PaperList : public QObject {
public:
    A4PaperList() { qApp->installEventFilter(this); }
    ~A4PaperList() override { qApp->removeEventFilter(this); }
    A4PaperList(const A4PaperList&) = delete;
    A4PaperList& operator=(const A4PaperList&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show ||
            watched->objectName() != QLatin1String("pageSizeCombo"))
            return false;
        auto* papers = qobject_cast<QComboBox*>(watched);
        if (!papers || m_turned.contains(papers))
            return false;
        m_turned.insert(papers);
        const int a4 = papers->findText(QPageSize(QPageSize::A4).name());
        if (a4 >= 0)
            papers->setCurrentIndex(a4);
        return false;
    }

private:
    QSet<QComboBox*> m_turned;
};

PrinterSetupDialog::Hook& hook() {
    static PrinterSetupDialog::Hook h;
    return h;
}

} // namespace

void PrinterSetupDialog::setHook(Hook h) {
    hook() = std::move(h);
}

PrinterSetupDialog::Request PrinterSetupDialog::requestFor(const PrintSettings& settings,
                                                           int pageCount, bool finished,
                                                           bool printerInstalled) {
    Request r;
    r.settings = settings;
    r.printerInstalled = printerInstalled;
    if (finished && pageCount > 0) {
        r.minPage = 1;
        r.maxPage = pageCount;
        r.fromPage = 1;
        r.toPage = pageCount;
    } else {
        r.minPage = 0;
        r.maxPage = 9999;
    }
    return r;
}

PrintSettings PrinterSetupDialog::applied(const PrintSettings& settings, const Answer& answer) {
    PrintSettings s = settings;
    s.printerName = answer.printerName;
    s.orientation = answer.orientation;
    s.copies = qMax(1, answer.copies);
    if (answer.range == Range::Pages) {
        s.firstPage = answer.fromPage;
        s.lastPage = answer.toPage;
    } else {
        s.firstPage = 0;
        s.lastPage = 0;
    }
    return s;
}

std::optional<PrinterSetupDialog::Answer> PrinterSetupDialog::showDialog(QWidget* parent,
                                                                         const Request& request) {
    if (!request.printerInstalled && request.schedulerUnreachable) {
        QMessageBox::warning(parent, QObject::tr("Printer setup"),
                             QObject::tr("The print scheduler cannot be reached, so no printer "
                                         "can be listed. Start the printing service and try "
                                         "again."));
        return std::nullopt;
    }
    if (!request.printerInstalled) {
        QMessageBox::warning(parent, QObject::tr("Printer setup"),
                             QObject::tr("No printers are installed. Install a printer "
                                         "before setting up printing."));
        return std::nullopt;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!request.settings.printerName.isEmpty())
        printer.setPrinterName(request.settings.printerName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(request.settings.orientation);
    printer.setCopyCount(request.settings.copies);
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(request.minPage, request.maxPage);
    printer.setFromTo(request.fromPage, request.toPage);
    const A4PaperList paperList;
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    Answer a;
    a.printerName = printer.printerName();
    a.orientation = printer.pageLayout().orientation();
    a.copies = printer.copyCount();
    a.range = printer.printRange() == QPrinter::PageRange   ? Range::Pages
              : printer.printRange() == QPrinter::Selection ? Range::Selection
                                                            : Range::All;
    a.fromPage = printer.fromPage();
    a.toPage = printer.toPage();
    return a;
}

bool PrinterSetupDialog::run(QWidget* parent, PrintSettings& settings, int pageCount,
                             bool finished) {
    Request request = requestFor(settings, pageCount, finished, printerInstalled());
    request.schedulerUnreachable =
        !request.printerInstalled && schedulerState() == SchedulerState::Unreachable;
    const std::optional<Answer> answer = hook() ? hook()(request) : showDialog(parent, request);
    if (!answer || !request.printerInstalled)
        return false;
    settings = applied(settings, *answer);
    return true;
}

} // namespace qlx
