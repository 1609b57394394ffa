#pragma once

#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <functional>
#include <memory>

#include "preview/PreviewWindow.h"
#include "preview/PrintSettings.h"
#include "preview/ReportPrinting.h"

class QWidget;

namespace qlx {

class PreviewDocument;

// The report's side of previewing and printing: opens the preview window on a fresh document,
// produces the page into it, and waits (processing events) until the window has closed. Print
// and Printer setup of the window come back here while the pages are the report's own.
class ReportPreview : public QObject {
    Q_OBJECT
public:
    // A fresh, empty document (page store) whose pages are page pictures.
    using DocumentFactory = std::function<std::unique_ptr<PreviewDocument>()>;
    // One production run over a document: each call adds the next page (announcing it) and
    // returns whether pages remain; the call that adds the last page finishes the document.
    using ProductionStep = std::function<bool()>;
    // Starts a run of the report's pages into a document.
    using Production = std::function<ProductionStep(PreviewDocument&)>;
    // How many pages the report prints; without it, one.
    using PageCount = std::function<int()>;

    ReportPreview(DocumentFactory newDocument, Production produce, PageProducer drawOnPrinter,
                  PageCount pageCount = {}, QObject* parent = nullptr);
    // For a report that produces all its pages in one go.
    using WholeProduction = std::function<void(PreviewDocument&)>;
    ReportPreview(DocumentFactory newDocument, WholeProduction produce, PageProducer drawOnPrinter,
                  PageCount pageCount = {}, QObject* parent = nullptr);

    // The preview operation: returns once the window has closed or the application is ending.
    // Page 1 is produced before the window is announced; the other pages follow one at a
    // time from the event loop, so the window shows page 1 and stays usable meanwhile.
    // Closing the window ends the run. A request while pages are being produced is ignored.
    void preview();
    // The same window on the pages of a prepared report file instead of the report's own;
    // returns once it has closed. A missing or damaged file throws before any window opens.
    void previewFile(const QString& path);

    // Produces the pages once more on the printer, with the progress dialog: those within the
    // first and last page limits, one sheet each. Nothing happens when no printer is installed.
    // Pages of the preview still to come are produced first, so the window's run is whole.
    void print(QWidget* parent = nullptr);

    // Every page of the report drawn once more, into an A4 PDF at `path` (as qlxsheet writes
    // one). Ignored while pages are being produced.
    void savePdf(const QString& path);

    // The print dialog; on OK the settings (and the page's orientation) change.
    void printerSetup(QWidget* parent, int pageCount, bool finished);

    bool isProducing() const { return m_producing || m_run; }
    PrintSettings& settings() { return m_settings; }
    const PrintSettings& settings() const { return m_settings; }
    // The report's page, A4 turned by the chosen orientation, in tenths of a millimetre.
    QSizeF pagePaper() const;
    // The preview window now open, if any.
    PreviewWindow* window() const { return m_window; }

signals:
    // The window is open and its page produced (for the caller and tests to act on while the
    // preview runs).
    void previewOpened(qlx::PreviewWindow* window);
    void previewEnded();

private:
    PreviewWindow* newWindow();
    void runUntilClosed(QPointer<PreviewWindow> window);
    void startRun(PreviewWindow* window, ProductionStep step);
    // Produces the pages still to come at once.
    void completeRun();
    void finishRun();

    DocumentFactory m_newDocument;
    Production m_produce;
    PageProducer m_drawOnPrinter;
    PageCount m_pageCount;
    PrintSettings m_settings;
    bool m_producing = false;
    QPointer<PreviewWindow> m_window;
    // The preview's production run while pages remain; it belongs to the window and ends
    // with it.
    QPointer<QObject> m_run;
    ProductionStep m_step;
};

} // namespace qlx
