#pragma once

// The preview. This folder shows and prints pages it does not make: the preview window with its
// tool bar, page view, zoom geometry and status panels, the print progress dialog, the printer
// setup dialog, and the printing of a document's pages onto a QPrinter. It works on any
// PreviewDocument and knows nothing of labels or of the sheet's layout.

#include <QMainWindow>
#include <functional>
#include <memory>

#include "preview/PrintSettings.h"

class QAction;
class QActionGroup;
class QLabel;
class QPushButton;

namespace qlx {

class FileDialog;
class PageView;
class PreviewDocument;

// The print preview window: a flat tool bar, the page view and a status bar with the
// progress and page panels. It owns the document it shows and releases it when it closes.
class PreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PreviewWindow(std::unique_ptr<PreviewDocument> document, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    PreviewDocument* document() const { return m_document.get(); }
    PageView* pageView() const { return m_view; }
    QLabel* progressPanel() const { return m_progressPanel; }
    QLabel* pagePanel() const { return m_pagePanel; }
    // A note on the run at the right of the status bar (what the caller wants the user to
    // know about the pages shown); hidden while empty.
    void setNote(const QString& text);
    QLabel* notePanel() const { return m_notePanel; }
    // The Save report dialog: its second name filter saves the pages compressed.
    FileDialog& saveReportDialog() const { return *m_saveDialog; }
    // The Save as PDF dialog ("PDF files (*.pdf)").
    FileDialog& savePdfDialog() const { return *m_pdfDialog; }
    // A tool bar action by its name ("ZoomFit", "Print", ...).
    QAction* action(const QString& name) const;

    // The report's print and printer setup, attached while the pages are the report's own;
    // a loaded file drops them.
    void setReportCommands(std::function<void()> print, std::function<void()> printerSetup);
    // The report's own PDF of its pages, attached while the pages are the report's own; pages
    // loaded from a file are written from their page pictures instead.
    void setReportPdf(std::function<void(const QString& path)> savePdf);
    // The printer settings chosen in Printer setup, which pages loaded from a file print
    // with too (printer, copies, range, job title).
    void setPrintSettingsSource(std::function<PrintSettings()> source);
    // Produces at once the pages still to come while the window shows the first ones, so
    // that Save report writes the whole run.
    void setPendingPages(std::function<void()> produceRest);

    // Shows the window maximised (not modal), centred on the screen for when it is restored,
    // and sets the panels and buttons.
    void open();

    // Commands of the tool bar and keys.
    void zoomToFit();
    void zoomTo100();
    void zoomToWidth();
    // One step of kZoomSteps up or down from the zoom shown, as a fixed zoom.
    void zoomIn();
    void zoomOut();
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void goToPage(int n);
    void printerSetup();
    void print();
    void saveReport();
    // Every page as an A4 PDF, to a file chosen in the PDF dialog (replacing one is confirmed).
    void saveAsPdf();
    void loadReport();
    // Load report without the dialog: the pages of a prepared report file replace those shown.
    // A missing or damaged file throws and changes nothing.
    void loadReportFile(const QString& path);

    // "Page 1 of 1"
    static QString pagePanelText(int shown, int count);

    // The run that produces the pages stopped with `why`: the page panel says so, and what
    // needs a whole run (Save Report, Print, Printer setup, Save as PDF) is disabled.
    void runFailed(const QString& why);
    const QString& runFailure() const { return m_runFailure; }

    // A print of this window's pages is running (one at a time).
    bool isPrinting() const { return m_printing || m_printPending; }
    // The running print is to stop before its next page (the window is closing).
    bool printCancelled() const { return m_cancelPrint; }
    // The question asked when the window is closed during a print.
    static QString closeWhilePrintingQuestion();

signals:
    // The window is closing and has let go of its document.
    void previewClosing();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildToolBar();
    void buildStatusBar();
    void buildFileDialogs();
    QAction* addTool(const QString& name, const QString& hint, int glyph,
                     void (PreviewWindow::*command)());
    void onPageAvailable(int available);
    void onProgress(int percent);
    void updatePagePanel();
    void syncZoomButtons();
    void stepZoom(int direction);
    void printLoadedPages();
    // Runs one print with the window marked as printing: Print is disabled meanwhile, and a
    // close asked for during it (answered Yes) happens once the print has stopped.
    void runPrint(const std::function<void()>& job);
    void detach();

    std::unique_ptr<PreviewDocument> m_document;
    PageView* m_view = nullptr;
    QActionGroup* m_zoomGroup = nullptr;
    QPushButton* m_exitButton = nullptr;
    QLabel* m_progressPanel = nullptr;
    QLabel* m_pagePanel = nullptr;
    QLabel* m_notePanel = nullptr;
    int m_lastProgress = 0;
    std::function<void()> m_reportPrint;
    std::function<void()> m_reportPrinterSetup;
    std::function<void(const QString&)> m_reportPdf;
    std::function<PrintSettings()> m_printSettings;
    std::function<void()> m_producePendingPages;
    QString m_loadedFile; // the name of the report file the pages came from
    // The save and load dialogs remember the last name for the window's lifetime.
    std::unique_ptr<FileDialog> m_saveDialog;
    std::unique_ptr<FileDialog> m_loadDialog;
    std::unique_ptr<FileDialog> m_pdfDialog;
    QString m_pageProblem; // what the shown page's drawing missed
    QString m_runFailure;  // why the run producing the pages stopped, if it did
    bool m_printing = false;
    bool m_printPending = false; // Print clicked, the report's print not yet begun
    bool m_cancelPrint = false;
    bool m_closeAfterPrint = false;
};

} // namespace qlx
