#include "preview/ReportPreview.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QTimer>

#include "pagestore/PreviewDocument.h"
#include "preview/PdfExport.h"
#include "preview/PreviewWindow.h"
#include "preview/PrintProgressDialog.h"
#include "preview/PrintSpool.h"
#include "preview/PrinterSetupDialog.h"
#include "stores/Error.h"
#include "stores/Product.h"
#include "widgets/ErrorHandler.h"

namespace qlx {

namespace {

// Marks the report as producing for the length of a run, whatever way it ends.
class ProducingRun {
public:
    explicit ProducingRun(bool& flag)
        : m_flag(flag) {
        m_flag = true;
    }
    ~ProducingRun() { m_flag = false; }
    ProducingRun(const ProducingRun&) = delete;
    ProducingRun& operator=(const ProducingRun&) = delete;

private:
    bool& m_flag;
};

} // namespace

ReportPreview::ReportPreview(DocumentFactory newDocument, Production produce,
                             PageProducer drawOnPrinter, PageCount pageCount, QObject* parent)
    : QObject(parent)
    , m_newDocument(std::move(newDocument))
    , m_produce(std::move(produce))
    , m_drawOnPrinter(std::move(drawOnPrinter))
    , m_pageCount(std::move(pageCount)) {}

ReportPreview::ReportPreview(DocumentFactory newDocument, WholeProduction produce,
                             PageProducer drawOnPrinter, PageCount pageCount, QObject* parent)
    : ReportPreview(std::move(newDocument),
                    Production([produce = std::move(produce)](PreviewDocument& document) {
                        produce(document);
                        return ProductionStep();
                    }),
                    std::move(drawOnPrinter), std::move(pageCount), parent) {}

QSizeF ReportPreview::pagePaper() const {
    const QSizeF a4(2100, 2970);
    return m_settings.orientation == QPageLayout::Landscape ? a4.transposed() : a4;
}

PreviewWindow* ReportPreview::newWindow() {
    auto* window = new PreviewWindow(m_newDocument());
    m_window = window;
    QPointer<PreviewWindow> guard = window;
    window->setReportCommands(
        [this, guard] {
            if (guard)
                print(guard);
        },
        [this, guard] {
            if (guard && guard->document())
                printerSetup(guard, guard->document()->pageCount(),
                             guard->document()->isFinished());
        });
    window->setReportPdf([this](const QString& path) { savePdf(path); });
    // Pages loaded from a file print with the printer, copies and range chosen here too.
    window->setPrintSettingsSource([this] { return m_settings; });
    return window;
}

void ReportPreview::preview() {
    QCoreApplication::processEvents();
    if (isProducing())
        return;
    QPointer<PreviewWindow> window = newWindow();
    PreviewDocument* pages = window->document();
    window->open();
    bool more = false;
    ProductionStep step;
    // A run that fails leaves the window open, saying why, with nothing offered that needs
    // its pages; the message box tells the same.
    guarded(
        [&] {
            ProducingRun run(m_producing);
            try {
                step = m_produce(*pages);
                more = step && step();
            } catch (const std::exception& e) {
                if (window)
                    window->runFailed(QString::fromUtf8(e.what()));
                more = false;
                throw;
            }
        },
        window);
    if (more && window)
        startRun(window, std::move(step));
    emit previewOpened(window);
    runUntilClosed(window);
}

// The pages after the first, one per turn of the event loop: paints, clicks and the page
// notices of the pages before come in between. A failing page ends the run with its
// message; the pages before it stay shown.
void ReportPreview::startRun(PreviewWindow* window, ProductionStep step) {
    auto* run = new QTimer(window);
    run->setObjectName("ProductionRun");
    run->setInterval(0);
    m_run = run;
    m_step = std::move(step);
    connect(run, &QTimer::timeout, this, [this, window] {
        bool more = false;
        guarded(
            [&] {
                try {
                    more = m_step();
                } catch (const std::exception& e) {
                    window->runFailed(QString::fromUtf8(e.what()));
                    throw;
                }
            },
            window);
        if (!more)
            finishRun();
    });
    connect(run, &QObject::destroyed, this, [this] { m_step = {}; });
    window->setPendingPages([this] { completeRun(); });
    run->start();
}

void ReportPreview::completeRun() {
    if (!m_run)
        return;
    ProducingRun run(m_producing);
    try {
        while (m_step && m_step()) {
        }
    } catch (...) {
        finishRun();
        throw;
    }
    finishRun();
}

void ReportPreview::finishRun() {
    if (m_run)
        delete m_run.data();
    m_step = {};
}

void ReportPreview::previewFile(const QString& path) {
    QCoreApplication::processEvents();
    if (m_producing)
        return;
    QPointer<PreviewWindow> window = newWindow();
    try {
        window->loadReportFile(path);
    } catch (...) {
        delete window;
        throw;
    }
    window->open();
    emit previewOpened(window);
    runUntilClosed(window);
}

void ReportPreview::runUntilClosed(QPointer<PreviewWindow> window) {
    QEventLoop loop;
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    if (window)
        loop.exec();
    // The application is ending with the window still open: close it here, since no event
    // loop will run its deferred deletion.
    if (window) {
        window->close();
        delete window;
    }
    emit previewEnded();
}

void ReportPreview::print(QWidget* parent) {
    if (m_producing || !printerReachable(m_settings.printerName))
        return;
    completeRun();
    const QString queue = printQueue(m_settings.printerName);
    QPrinter printer(QPrinter::HighResolution);
    configurePrinter(printer, m_settings, QPageSize(QPageSize::A4), m_settings.jobName());
    SpoolJob job(printer, queue, m_settings.copies, m_settings.jobName());
    ProducingRun run(m_producing);
    // On the heap and watched: its parent may be a preview window, which takes its children
    // with it.
    QPointer<PrintProgressDialog> progress = new PrintProgressDialog(parent);
    struct Release {
        QPointer<PrintProgressDialog>& dialog;
        ~Release() { delete dialog.data(); }
    } release{progress};
    progress->show();
    const QPointer<QWidget> owner(parent);
    const auto* window = qobject_cast<const PreviewWindow*>(parent);
    const QPointer<const PreviewWindow> watchedWindow(window);
    // Events are handled before each page (the progress paints, Cancel and the windows
    // answer); a cancel, or the window going, stops the job before its next page.
    auto stopped = [&] {
        QCoreApplication::processEvents();
        return !progress || progress->isCancelled() || (parent && !owner) ||
               (window && (!watchedWindow || watchedWindow->printCancelled()));
    };
    // Only pages within the first and last page limits go to the printer. A page outside them
    // is drawn into a picture that is thrown away; the job starts with the first page that
    // prints, so that no blank sheet comes out when none does.
    const int pages = m_pageCount ? qMax(1, m_pageCount()) : 1;
    QPainter painter;
    for (int page = 1; page <= pages; ++page) {
        if (stopped()) {
            if (painter.isActive())
                painter.end(); // the file is thrown away unsent
            return;
        }
        progress->setPagesDone(page - 1, pages);
        if (m_settings.printsPage(page)) {
            if (painter.isActive())
                printer.newPage();
            else if (!painter.begin(&printer))
                throw Error("Cannot print on the printer \"" + queue.toStdString() +
                            "\": the print file cannot be written");
            // Qt spools the job as a PDF; without this hint its bitmaps go in as JPEG.
            painter.setRenderHint(QPainter::LosslessImageRendering);
            PageTarget target = printerTarget(printer, pagePaper());
            target.page = page;
            m_drawOnPrinter(painter, target);
        } else {
            QPicture discarded;
            QPainter elsewhere(&discarded);
            PageTarget screen;
            screen.paperTenthsMm = pagePaper();
            screen.page = page;
            m_drawOnPrinter(elsewhere, screen);
        }
    }
    if (progress)
        progress->setPagesDone(pages, pages);
    if (!painter.isActive())
        return; // no page within the limits: no job
    if (!painter.end())
        throw Error("Cannot print on the printer \"" + queue.toStdString() +
                    "\": the pages could not be written");
    job.send([&] { return stopped(); });
}

void ReportPreview::savePdf(const QString& path) {
    if (m_producing)
        return;
    ProducingRun run(m_producing);
    const int pages = m_pageCount ? qMax(1, m_pageCount()) : 1;
    writePagesAsPdf(path, pages, m_drawOnPrinter,
                    {QString::fromUtf8(kProductName), m_settings.jobName()});
}

void ReportPreview::printerSetup(QWidget* parent, int pageCount, bool finished) {
    PrinterSetupDialog::run(parent, m_settings, pageCount, finished);
}

} // namespace qlx
