#include "preview/PreviewWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <utility>

#include "pagestore/PreviewDocument.h"
#include "pagestore/PrinterSettings.h"
#include "preview/PageView.h"
#include "preview/PdfExport.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewGlyphs.h"
#include "preview/PrintProgressDialog.h"
#include "preview/PrintSpool.h"
#include "preview/ReportPrinting.h"
#include "stores/Error.h"
#include "stores/Product.h"
#include "widgets/ErrorHandler.h"
#include "widgets/FileDialog.h"
#include "widgets/MessageBox.h"
#include "widgets/RecentFiles.h"

namespace qlx {

namespace {

const QString kSaveFilter = QStringLiteral("Leafpress file(*.LFP)");
const QString kSaveCompressedFilter =
    QStringLiteral("Leafpress file, compressed - older readers cannot open it (*.LFP)");
const QString kLoadFilter = QStringLiteral("Leafpress file (*.LFP)");

} // namespace

PreviewWindow::PreviewWindow(std::unique_ptr<PreviewDocument> document, QWidget* parent)
    : QMainWindow(parent)
    , m_document(std::move(document))
    , m_view(new PageView(this)) {
    setObjectName("PreviewWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_document && !m_document->title().isEmpty() ? m_document->title()
                                                                : QStringLiteral("Print Preview"));
    resize(652, 579);
    setCentralWidget(m_view);
    connect(m_view, &PageView::pageProblemChanged, this, [this](const QString& problem) {
        m_pageProblem = problem;
        updatePagePanel();
    });
    buildToolBar();
    buildStatusBar();
    buildFileDialogs();
    if (m_document) {
        m_view->setDocument(m_document.get());
        // Notices are handled after the current command, as posted messages would be.
        connect(m_document.get(), &PreviewDocument::pageAvailable, this,
                &PreviewWindow::onPageAvailable, Qt::QueuedConnection);
        connect(m_document.get(), &PreviewDocument::progressChanged, this,
                &PreviewWindow::onProgress, Qt::QueuedConnection);
    }
    // Keys reach the window before its controls (the page view would scroll on Page Up).
    qApp->installEventFilter(this);
}

PreviewWindow::~PreviewWindow() {
    detach();
}

QAction* PreviewWindow::addTool(const QString& name, const QString& hint, int glyph,
                                void (PreviewWindow::*command)()) {
    auto* a = new QAction(previewGlyph(PreviewGlyph(glyph)), hint, this);
    a->setObjectName(name);
    a->setToolTip(hint);
    connect(a, &QAction::triggered, this,
            [this, command] { guarded([&] { (this->*command)(); }, this); });
    return a;
}

void PreviewWindow::buildToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, bar);

    m_zoomGroup = new QActionGroup(this);
    m_zoomGroup->setExclusive(true);
    bar->addSeparator();
    for (QAction* a :
         {addTool("ZoomFit", "Zoom to fit", int(PreviewGlyph::ZoomFit), &PreviewWindow::zoomToFit),
          addTool("Zoom100", "100%", int(PreviewGlyph::Zoom100), &PreviewWindow::zoomTo100),
          addTool("ZoomToWidth", "Zoom to width", int(PreviewGlyph::ZoomToWidth),
                  &PreviewWindow::zoomToWidth)}) {
        a->setCheckable(true);
        m_zoomGroup->addAction(a);
        bar->addAction(a);
    }
    action("ZoomToWidth")->setChecked(true);
    bar->addAction(
        addTool("ZoomOut", "Zoom out", int(PreviewGlyph::ZoomOut), &PreviewWindow::zoomOut));
    bar->addAction(addTool("ZoomIn", "Zoom in", int(PreviewGlyph::ZoomIn), &PreviewWindow::zoomIn));
    bar->addSeparator();
    bar->addAction(addTool("FirstPage", "First page", int(PreviewGlyph::FirstPage),
                           &PreviewWindow::firstPage));
    bar->addAction(addTool("PreviousPage", "Previous page", int(PreviewGlyph::PreviousPage),
                           &PreviewWindow::previousPage));
    bar->addAction(
        addTool("NextPage", "Next page", int(PreviewGlyph::NextPage), &PreviewWindow::nextPage));
    bar->addAction(
        addTool("LastPage", "Last page", int(PreviewGlyph::LastPage), &PreviewWindow::lastPage));
    bar->addSeparator();
    bar->addAction(addTool("PrintSetup", "Printer setup", int(PreviewGlyph::PrintSetup),
                           &PreviewWindow::printerSetup));
    bar->addAction(addTool("Print", "Print", int(PreviewGlyph::Print), &PreviewWindow::print));
    action("PrintSetup")->setEnabled(false);
    action("Print")->setEnabled(false);
    bar->addSeparator();
    bar->addAction(addTool("SaveReport", "Save Report", int(PreviewGlyph::SaveReport),
                           &PreviewWindow::saveReport));
    bar->addAction(addTool("LoadReport", "Load Report", int(PreviewGlyph::LoadReport),
                           &PreviewWindow::loadReport));
    bar->addAction(
        addTool("SaveAsPdf", "Save as PDF", int(PreviewGlyph::SavePdf), &PreviewWindow::saveAsPdf));
    action("SaveAsPdf")->setEnabled(false);
    // The desktop's keys for the file and print commands, shown in their tips; the tool
    // buttons take the focus by Tab, so that every command can be reached without a mouse.
    const std::pair<const char*, QKeySequence> keys[] = {
        {"Print", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"PrintSetup", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
        {"SaveReport", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"LoadReport", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"SaveAsPdf", QKeySequence(Qt::CTRL | Qt::Key_E)}};
    for (const auto& [name, key] : keys) {
        QAction* a = action(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setToolTip(
            QStringLiteral("%1 (%2)").arg(a->text(), key.toString(QKeySequence::NativeText)));
    }
    for (QAction* a : bar->actions())
        if (QWidget* button = bar->widgetForAction(a); button && !a->isSeparator())
            button->setFocusPolicy(Qt::TabFocus);
    bar->addSeparator();
    m_exitButton = new QPushButton("&Close", bar);
    m_exitButton->setObjectName("ExitButton");
    m_exitButton->setFixedSize(40, 22);
    m_exitButton->setFocusPolicy(Qt::TabFocus);
    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    bar->addWidget(m_exitButton);
}

void PreviewWindow::buildStatusBar() {
    auto* status = new QStatusBar(this);
    status->setObjectName("StatusBar");
    status->setSizeGripEnabled(true);
    m_progressPanel = new QLabel("0%", status);
    m_progressPanel->setObjectName("ProgressPanel");
    m_progressPanel->setFixedWidth(40);
    m_progressPanel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The last panel runs to the end of the bar, as status bar parts do, so that its text
    // is not cut off at 50 pixels.
    m_pagePanel = new QLabel("Page", status);
    m_pagePanel->setObjectName("PagePanel");
    m_pagePanel->setMinimumWidth(50);
    status->addWidget(m_progressPanel);
    status->addWidget(m_pagePanel, 1);
    m_notePanel = new QLabel(status);
    m_notePanel->setObjectName("NotePanel");
    m_notePanel->hide();
    status->addPermanentWidget(m_notePanel);
    setStatusBar(status);
}

void PreviewWindow::setNote(const QString& text) {
    m_notePanel->setText(text);
    m_notePanel->setVisible(!text.isEmpty());
}

void PreviewWindow::buildFileDialogs() {
    m_saveDialog = std::make_unique<FileDialog>(FileDialog::Mode::Save);
    m_saveDialog->setTitle("Save report");
    m_saveDialog->setNameFilters({kSaveFilter, kSaveCompressedFilter});
    m_saveDialog->setDefaultSuffix("LFP");
    m_loadDialog = std::make_unique<FileDialog>(FileDialog::Mode::Open);
    m_loadDialog->setTitle("Load report");
    m_loadDialog->setNameFilters({kLoadFilter});
    m_pdfDialog = std::make_unique<FileDialog>(FileDialog::Mode::Save);
    m_pdfDialog->setTitle("Save as PDF");
    m_pdfDialog->setNameFilters({QStringLiteral("PDF files (*.pdf)")});
    m_pdfDialog->setDefaultSuffix("pdf");
    m_saveDialog->setFolderKind(QStringLiteral("reports"));
    m_loadDialog->setFolderKind(QStringLiteral("reports"));
    m_pdfDialog->setFolderKind(QStringLiteral("pdf"));
}

QAction* PreviewWindow::action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void PreviewWindow::setReportCommands(std::function<void()> print,
                                      std::function<void()> printerSetup) {
    m_reportPrint = std::move(print);
    m_reportPrinterSetup = std::move(printerSetup);
}

void PreviewWindow::setReportPdf(std::function<void(const QString&)> savePdf) {
    m_reportPdf = std::move(savePdf);
}

void PreviewWindow::setPrintSettingsSource(std::function<PrintSettings()> source) {
    m_printSettings = std::move(source);
}

void PreviewWindow::setPendingPages(std::function<void()> produceRest) {
    m_producePendingPages = std::move(produceRest);
}

void PreviewWindow::open() {
    if (m_document && m_document->isFinished()) {
        action("Print")->setEnabled(true);
        action("SaveAsPdf")->setEnabled(true);
    }
    // The place the window takes when the user restores it from maximised.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    showMaximized();
    updatePagePanel();
}

QString PreviewWindow::pagePanelText(int shown, int count) {
    return "Page" + QString(" ") + QString::number(shown) + " " + "of" + " " +
           QString::number(count);
}

void PreviewWindow::runFailed(const QString& why) {
    m_runFailure = why;
    for (const char* name : {"SaveReport", "Print", "PrintSetup", "SaveAsPdf"})
        action(name)->setEnabled(false);
    m_progressPanel->clear();
    updatePagePanel();
}

void PreviewWindow::updatePagePanel() {
    const int count = m_document ? m_document->pageCount() : 0;
    if (!m_runFailure.isEmpty()) {
        m_pagePanel->setText(
            (count > 0 ? pagePanelText(m_view->shownPage(), count) + QStringLiteral(" - ")
                       : QStringLiteral("No pages - ")) +
            QStringLiteral("the report stopped: ") + m_runFailure);
        return;
    }
    QString text = pagePanelText(m_view->shownPage(), count);
    if (!m_pageProblem.isEmpty())
        text += QStringLiteral(" - this page cannot be drawn whole: ") + m_pageProblem;
    m_pagePanel->setText(text);
}

void PreviewWindow::syncZoomButtons() {
    const ZoomMode mode = m_view->zoomMode();
    action("ZoomFit")->setChecked(mode == ZoomMode::Fit);
    action("ZoomToWidth")->setChecked(mode == ZoomMode::Width);
    // "100%" is pressed only at 100%; a zoom in or out step leaves no zoom button pressed.
    const bool at100 = mode == ZoomMode::Fixed && m_view->zoom() == 100;
    action("Zoom100")->setChecked(at100);
    if (mode == ZoomMode::Fixed && !at100 && m_zoomGroup->checkedAction())
        m_zoomGroup->checkedAction()->setChecked(false);
    action("ZoomIn")->setToolTip(QStringLiteral("Zoom in (%1%)").arg(m_view->zoom()));
    action("ZoomOut")->setToolTip(QStringLiteral("Zoom out (%1%)").arg(m_view->zoom()));
}

void PreviewWindow::onPageAvailable(int available) {
    if (!m_document)
        return;
    if (available == m_view->shownPage() && !m_view->hasPicture()) {
        m_view->setZoomMode(ZoomMode::Width);
        m_view->showPage(available);
        syncZoomButtons();
    }
    updatePagePanel();
    if (m_document->isFinished() && !m_document->isLoadedFromFile() && m_runFailure.isEmpty()) {
        action("PrintSetup")->setEnabled(true);
        action("Print")->setEnabled(true);
        action("SaveAsPdf")->setEnabled(true);
    }
}

void PreviewWindow::onProgress(int percent) {
    if (percent >= m_lastProgress + 5) {
        m_progressPanel->setText(QString::number(percent) + "%");
        m_lastProgress = percent;
    }
    if (percent == 0 || percent == 100)
        m_progressPanel->clear();
}

void PreviewWindow::zoomToFit() {
    QCoreApplication::processEvents();
    m_view->setZoomMode(ZoomMode::Fit);
    syncZoomButtons();
}

void PreviewWindow::zoomTo100() {
    QCoreApplication::processEvents();
    m_view->setFixedZoom(100);
    syncZoomButtons();
}

void PreviewWindow::zoomToWidth() {
    QCoreApplication::processEvents();
    m_view->setZoomMode(ZoomMode::Width);
    syncZoomButtons();
}

void PreviewWindow::zoomIn() {
    stepZoom(+1);
}

void PreviewWindow::zoomOut() {
    stepZoom(-1);
}

void PreviewWindow::stepZoom(int direction) {
    m_view->setFixedZoom(zoomStep(m_view->zoom(), direction));
    syncZoomButtons();
}

void PreviewWindow::goToPage(int n) {
    if (m_document && n >= 1 && n <= m_document->pageCount() && n != m_view->shownPage())
        m_view->showPage(n);
    updatePagePanel();
}

void PreviewWindow::firstPage() {
    goToPage(1);
}

void PreviewWindow::previousPage() {
    goToPage(m_view->shownPage() - 1);
}

void PreviewWindow::nextPage() {
    goToPage(m_view->shownPage() + 1);
}

void PreviewWindow::lastPage() {
    goToPage(m_document ? m_document->pageCount() : 0);
}

void PreviewWindow::printerSetup() {
    if (m_reportPrinterSetup)
        m_reportPrinterSetup();
}

QString PreviewWindow::closeWhilePrintingQuestion() {
    return QStringLiteral("A print job is running. Cancel it and close?");
}

void PreviewWindow::print() {
    if (!m_document || m_printing || m_printPending)
        return;
    if (!m_document->isLoadedFromFile()) {
        // The report prints once this command has finished; a second click before then sends
        // nothing more.
        if (m_reportPrint) {
            m_printPending = true;
            action("Print")->setEnabled(false);
            QTimer::singleShot(0, this, [this, print = m_reportPrint] {
                m_printPending = false;
                guarded([&] { runPrint(print); }, this);
            });
        }
        return;
    }
    if (m_document->isFinished())
        runPrint([this] { printLoadedPages(); });
}

void PreviewWindow::runPrint(const std::function<void()>& job) {
    if (m_printing)
        return;
    m_printing = true;
    action("Print")->setEnabled(false);
    QPointer<PreviewWindow> self(this);
    auto end = [self] {
        if (!self)
            return;
        self->m_printing = false;
        self->m_cancelPrint = false;
        self->action("Print")->setEnabled(true);
        if (std::exchange(self->m_closeAfterPrint, false))
            self->close();
    };
    try {
        job();
    } catch (...) {
        end();
        throw;
    }
    end();
}

void PreviewWindow::printLoadedPages() {
    const QSizeF paper = m_document->paperSize();
    const PaperChoice choice = recognisePaper(paper.width(), paper.height());
    PrintSettings settings = m_printSettings ? m_printSettings() : PrintSettings();
    settings.jobSource = m_loadedFile;
    settings.orientation = choice.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QPageSize pageSize =
        choice.matched
            ? QPageSize(QPageSize::PageSizeId(choice.pageSizeId))
            : QPageSize(QSizeF(paper.width() / 10.0, paper.height() / 10.0), QPageSize::Millimeter);
    if (!choice.matched)
        settings.orientation = QPageLayout::Portrait;
    if (!printerReachable(settings.printerName))
        return;
    const QString queue = printQueue(settings.printerName);
    QPrinter printer(QPrinter::HighResolution);
    configurePrinter(printer, settings, pageSize, settings.jobName());
    SpoolJob job(printer, queue, settings.copies, settings.jobName());
    // On the heap and watched: it is the window's child, and goes with the window whatever
    // happens while the pages print.
    QPointer<PrintProgressDialog> progress = new PrintProgressDialog(this);
    struct Release {
        QPointer<PrintProgressDialog>& dialog;
        ~Release() { delete dialog.data(); }
    } release{progress};
    progress->show();
    QPointer<PreviewWindow> self(this);
    bool stopped = false;
    const bool printed = printDocumentPages(
        *m_document, printer, settings.firstPage, settings.lastPage,
        [self, progress, &stopped](int done, int total) {
            if (!self || !progress || progress->isCancelled() || self->m_cancelPrint) {
                stopped = true;
                return false;
            }
            progress->setPagesDone(done, total);
            return true;
        });
    if (!printed && !stopped)
        throw Error("Cannot print on the printer \"" + queue.toStdString() +
                    "\": the pages could not be written");
    if (stopped)
        return;
    job.send([self, progress] {
        QCoreApplication::processEvents();
        return !self || !progress || progress->isCancelled() || self->m_cancelPrint;
    });
}

void PreviewWindow::saveReport() {
    if (!m_saveDialog->execute(this))
        return;
    if (m_producePendingPages)
        std::exchange(m_producePendingPages, {})();
    if (!m_document || !m_document->isFinished())
        return;
    if (m_saveDialog->selectedNameFilter() == kSaveCompressedFilter)
        m_document->saveCompressedTo(m_saveDialog->fileName());
    else
        m_document->saveTo(m_saveDialog->fileName());
    addRecentFile(m_saveDialog->fileName(), RecentKind::Report);
}

void PreviewWindow::saveAsPdf() {
    if (!m_document || !m_document->isFinished() || !m_pdfDialog->execute(this))
        return;
    const QString path = m_pdfDialog->fileName();
    if (m_reportPdf && !m_document->isLoadedFromFile())
        m_reportPdf(path);
    else
        writeDocumentAsPdf(path, *m_document, {QString::fromUtf8(kProductName), m_loadedFile});
}

void PreviewWindow::loadReport() {
    if (!m_loadDialog->execute(this) || !m_document)
        return;
    loadReportFile(m_loadDialog->fileName());
}

void PreviewWindow::loadReportFile(const QString& path) {
    if (!m_document)
        return;
    if (!QFileInfo(path).isFile())
        throw Error("File does not exist");
    m_document->loadFrom(path); // a damaged file throws and leaves the pages as they were
    m_loadedFile = QFileInfo(path).fileName();
    addRecentFile(path, RecentKind::Report);
    m_runFailure.clear();
    action("SaveReport")->setEnabled(true);
    m_reportPrint = {};
    m_reportPrinterSetup = {};
    m_reportPdf = {};
    m_view->refresh();
    m_view->showPage(1);
    updatePagePanel();
    action("PrintSetup")->setEnabled(false);
    action("Print")->setEnabled(true);
    action("SaveAsPdf")->setEnabled(true);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* e) {
    const bool keyPress = e->type() == QEvent::KeyPress;
    if ((!keyPress && e->type() != QEvent::Wheel) || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != this)
        return false;
    if (!keyPress) {
        // Ctrl with the wheel zooms, one step per notch; the wheel alone scrolls.
        const auto* wheel = static_cast<QWheelEvent*>(e);
        const int delta = wheel->angleDelta().y();
        if (!(wheel->modifiers() & Qt::ControlModifier) || delta == 0)
            return false;
        stepZoom(delta > 0 ? +1 : -1);
        return true;
    }
    const auto* key = static_cast<QKeyEvent*>(e);
    // Enter on a focused tool button or the Close button clicks it, as Space does.
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isEnabled()) {
            button->click();
            return true;
        }
        return false;
    }
    switch (pagingCommandForKey(key->key(), int(key->modifiers()))) {
    case PagingCommand::None:
        return false;
    case PagingCommand::Close:
        close();
        break;
    case PagingCommand::First:
        firstPage();
        break;
    case PagingCommand::Previous:
        previousPage();
        break;
    case PagingCommand::Next:
        nextPage();
        break;
    case PagingCommand::Last:
        lastPage();
        break;
    case PagingCommand::ZoomIn:
        zoomIn();
        break;
    case PagingCommand::ZoomOut:
        zoomOut();
        break;
    }
    return true;
}

void PreviewWindow::detach() {
    if (!m_document)
        return;
    disconnect(m_document.get(), nullptr, this, nullptr);
    m_view->setDocument(nullptr);
    m_reportPrint = {};
    m_reportPrinterSetup = {};
    m_reportPdf = {};
    m_printSettings = {};
    m_producePendingPages = {};
    emit previewClosing();
    m_document.reset(); // releasing the pages deletes their temporary file
}

void PreviewWindow::closeEvent(QCloseEvent* e) {
    if (m_printPending && !m_printing) {
        // Print was asked for just before: it goes ahead, and the window closes after it.
        m_closeAfterPrint = true;
        hide();
        e->ignore();
        return;
    }
    if (m_printing) {
        // The pages being printed belong to this window: it stays until the print has stopped.
        if (!m_closeAfterPrint &&
            MessageBox::question(this, kApplicationTitle, closeWhilePrintingQuestion(), false) ==
                MessageBox::Answer::Yes) {
            m_cancelPrint = true;
            m_closeAfterPrint = true;
            hide();
        }
        e->ignore();
        return;
    }
    detach();
    e->accept();
}

} // namespace qlx
