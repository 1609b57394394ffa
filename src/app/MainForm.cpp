// The window's handlers: what each control does when the user works it, and what the timers
// do when they come due. The controls are made and bound in MainFormControls.cpp, the list's
// record commands live in MainFormRecords.cpp and the label settings in MainFormSettings.cpp.
#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "app/SheetReport.h"
#include "pictures/ClockDateTime.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "preview/PreviewWindow.h"
#include "render/LabelComposer.h"
#include "render/SheetRun.h"
#include "stores/CsvList.h"
#include "stores/DataFolder.h"
#include "stores/Error.h"
#include "stores/LabelList.h"
#include "stores/LocalityCache.h"
#include "stores/MineralLookup.h"
#include "widgets/Controls.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Gauge.h"
#include "widgets/ImageBox.h"
#include "widgets/MessageBox.h"
#include "widgets/NumberDialog.h"
#include "widgets/RecentFiles.h"
#include "widgets/RichEditBox.h"
#include "widgets/Shape.h"
#include "widgets/SpinField.h"
#include "widgets/WorkProgress.h"

namespace qlx {

namespace {

// The smallest the label counter is drawn at to fit a long count.
constexpr int kSmallestLabelCountPixels = 6;

const QString kNotInDatabase = QStringLiteral("Not in the mineral database");

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Sets a field's text; a field that already holds the text stays as it is and fires nothing.
void setFieldText(QLineEdit* field, const std::string& utf8Text) {
    const QString text = toQString(utf8Text);
    if (field->text() != text)
        field->setText(text);
}

} // namespace

void MainForm::onSplashEnd() {
    m_splashTimer->stop();
    m_gaugeTimer->stop();
    m_splashGauge->hide();
    m_splashPanel->hide();
}

void MainForm::onExitWaitEnd() {
    close();
}

void MainForm::onGaugeStep() {
    m_splashGauge->setProgress(m_splashGauge->progress() + 1);
}

// The deferred load. A failing step ends it there and leaves m_loadTimer running, so the load is
// tried again on later ticks; a failure is reported once, and never while a message box of
// ours is still open.
//
// A step that succeeded is not run again on a retry, and no step undoes what the user did in
// the meantime: a store that a lookup or "Add data to list" has filled is not reloaded, a
// locality font the user picked stays, and the label background becomes the stock picture
// of the selected radio button (none when "Custom" is selected).
void MainForm::onDeferredLoad() {
    if (MessageBox::isOpen())
        return;
    try {
        if (!m_loaded.cache) {
            if (localityCacheNeedsLoad(m_localityCache.text()))
                m_localityCache.loadFromFile(dataFilePath("cachedloc.txt"));
            m_loaded.cache = true;
        }
        if (!m_loaded.database) {
            if (mineralStoreNeedsLoad(m_mineralDatabase.text()))
                m_mineralDatabase.loadFromFile(dataFilePath("athena.txt"));
            m_loaded.database = true;
        }
        if (!m_loaded.localityFont) {
            if (!m_localityFontPicked)
                m_localityFont.setFont(m_mineralFont.font());
            m_loaded.localityFont = true;
        }
        const std::pair<ImageBox*, BackgroundChoice> stock[] = {
            {m_completeStock, BackgroundChoice::Complete},
            {m_cleanStock, BackgroundChoice::Clean},
            {m_reducedStock, BackgroundChoice::Reduced}};
        for (std::size_t i = 0; i < std::size(stock); ++i) {
            if (m_loaded.backgrounds[i])
                continue;
            // Looked up as qlxsheet looks them up: the current folder, then the data folder.
            stock[i].first->setPicture(Picture::fromFile(stockBackgroundPath(stock[i].second)));
            m_loaded.backgrounds[i] = true;
        }
        if (m_completeChoice->isChecked())
            useBackground(m_completeStock);
        else if (m_reducedChoice->isChecked())
            useBackground(m_reducedStock);
        else if (m_cleanChoice->isChecked())
            useBackground(m_cleanStock);
        m_loadTimer->stop();
        m_lastLoadFailure.clear();
        if (!m_startSettings.isEmpty()) {
            const QString path = std::exchange(m_startSettings, QString());
            applySettingsFile(path);
        }
    } catch (const Error& failure) {
        if (failure.what() == m_lastLoadFailure)
            return;
        m_lastLoadFailure = failure.what();
        throw;
    }
}

LabelFont MainForm::designLocalityFont() {
    LabelFont font = LabelFont::regular("MS Sans Serif", 11);
    font.charset = LabelFont::kDefaultCharset;
    return font;
}

// Enter in the mineral field completes the name and fetches the formula.
void MainForm::onMineralKey(int key, Qt::KeyboardModifiers) {
    if (!isEnter(key))
        return;
    // Pressing the hidden button: a failing lookup ends the key handler too.
    onMineralLookup();
    if (!m_foundMineral->text().isEmpty()) {
        m_mineralField->setText(m_foundMineral->text());
        m_formulaOwner = m_mineralField->text();
        m_foundFormula = m_formulaField->text();
    } else {
        // A formula the last lookup put there, for another name, would go onto this label
        // (and into the info row with "Info = formula"): it empties. What the user typed
        // stays: a formula or info edited by hand, and the formula while the field still
        // shows the name it was found for (a completion that drops a space finds nothing on
        // a second Enter).
        if (m_mineralField->text() != m_formulaOwner && !m_foundFormula.isEmpty() &&
            m_formulaField->text() == m_foundFormula) {
            const QString info = m_infoField->text();
            m_formulaField->clear();
            if (info != m_foundFormula)
                m_infoField->setText(info);
        }
        showMineralMiss(true);
    }
}

// A name the database does not hold: the mineral field keeps the typed text, its frame turns
// red and its tip says why, until the field changes. The tip names the species meant when the
// name is a near miss or a group.
void MainForm::showMineralMiss(bool miss) {
    const QString tip = miss ? mineralMissTip(kNotInDatabase) : QString();
    if (miss != m_mineralMiss) {
        m_mineralMiss = miss;
        m_mineralField->setStyleSheet(miss ? QStringLiteral("QLineEdit { border: 2px solid red; }")
                                           : QString());
    }
    m_mineralField->setStatusTip(tip);
    m_mineralField->setToolTip(tip);
    if (miss && m_mineralField->isVisible())
        QToolTip::showText(m_mineralField->mapToGlobal(QPoint(0, m_mineralField->height())), tip,
                           m_mineralField);
    else if (!miss && QToolTip::isVisible() && QToolTip::text().startsWith(kNotInDatabase))
        QToolTip::hideText();
}

// The mineral lookup: the name goes to m_foundMineral, the formula to the formula field.
void MainForm::onMineralLookup() {
    if (mineralStoreNeedsLoad(m_mineralDatabase.text()))
        m_mineralDatabase.loadFromFile(dataFilePath("athena.txt"));
    const MineralLookupResult result = lookupMineral(
        m_mineralDatabase.text(), fromQString(m_mineralField->text()), m_keepFinalE->isChecked());
    m_foundMineral->setText(toQString(result.name));
    if (result.found)
        setFieldText(m_formulaField, result.formula);
}

// Enter in the locality field completes it from the cache.
void MainForm::onLocalityKey(int key, Qt::KeyboardModifiers) {
    if (!isEnter(key))
        return;
    onLocalityCompletion();
    if (const auto text =
            localityFieldAfterEnter(fromQString(m_foundLocality->text()), kNoLocalityCompletion))
        setFieldText(m_localityField, *text);
}

void MainForm::onLocalityCompletion() {
    if (localityCacheNeedsLoad(m_localityCache.text()))
        m_localityCache.loadFromFile(dataFilePath("cachedloc.txt"));
    // A typed locality that nothing in the cache starts with empties the caption, as a failed
    // mineral lookup empties m_foundMineral: Enter then leaves the typed text in the field instead
    // of bringing back an earlier completion.
    const LocalityCompletion completion =
        completeLocality(m_localityCache.text(), fromQString(m_localityField->text()),
                         fromQString(m_drawnMineral->text()));
    m_foundLocality->setText(toQString(completion.completion));
}

// "Add data to list": count, append the record, remember a new locality.
void MainForm::onAddToList() {
    const std::string record =
        makeLabelRecord(fromQString(m_mineralField->text()), fromQString(m_localityField->text()),
                        fromQString(m_infoField->text()));
    if (m_replacing >= 0) {
        // The record taken into the fields is replaced where it stands now, even if lines
        // before it went or came meanwhile; gone altogether, the record is added instead.
        const std::vector<std::string_view> lines = storedLines(m_labelList->lines().text());
        int at =
            m_replacing < int(lines.size()) && lines[std::size_t(m_replacing)] == m_replacedRecord
                ? m_replacing
                : -1;
        for (std::size_t i = 0; at < 0 && i < lines.size(); ++i)
            if (lines[i] == m_replacedRecord)
                at = int(i);
        onCancelReplace();
        if (at >= 0)
            editList(replaceRecord(m_labelList->lines().text(), at, record));
        else
            editList(m_labelList->lines().text() + record + "\r\n");
    } else {
        m_listHistory.push(m_labelList->lines().add(record));
        updateRecordCommands();
    }
    // The cache is read before it can be rewritten: an Add before the start-up load has read
    // it would otherwise replace every cached locality with this one. A cache file that is not
    // there yet is started afresh; one that cannot be read is reported and left alone.
    const std::string cacheFile = dataFilePath("cachedloc.txt");
    if (!m_loaded.cache && localityCacheNeedsLoad(m_localityCache.text()) &&
        QFileInfo::exists(QString::fromStdString(cacheFile))) {
        m_localityCache.loadFromFile(cacheFile);
        m_loaded.cache = true;
    }
    const LocalityCacheUpdate update =
        localityCacheUpdate(m_localityCache.text(), fromQString(m_localityField->text()));
    if (update.addAndSave) {
        m_localityCache.add(update.line);
        saveLocalityCache();
    }
}

void MainForm::saveLocalityCache() {
    m_localityCache.saveToFile(dataFileWritePath("cachedloc.txt"));
}

// "Info = formula": the info field follows the formula field while the box is ticked.
void MainForm::onFormulaChanged() {
    if (const auto info = infoAfterFormulaChange(m_infoIsFormula->isChecked(),
                                                 fromQString(m_formulaField->text())))
        setFieldText(m_infoField, *info);
}

void MainForm::onAbout() {
    m_aboutPanel->show();
    updateRecordCommands();
}

void MainForm::onHideAbout() {
    m_aboutPanel->hide();
    updateRecordCommands();
}

// "Exit" first offers to save a list with unsaved lines (Cancel, or a cancelled save, keeps
// the program running), then shows the splash again and closes the window once m_exitTimer
// ticks; a second "Exit" leaves the running wait alone.
void MainForm::onExit() {
    if (m_exitTimer->isActive())
        return;
    if (!listMayBeLeft())
        return;
    m_leaving = true;
    m_splashPanel->show();
    m_exitTimer->start();
}

// Placed once it is first shown, when its frame is known.
void MainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeOnScreen();
    }
}

// The close box asks as "Exit" does (unless "Exit" already asked). Closing the main window
// closes every open preview and ends the program.
void MainForm::closeEvent(QCloseEvent* event) {
    bool leave = m_leaving;
    if (!leave)
        guarded([&] { leave = listMayBeLeft(); }, this);
    if (!leave) {
        event->ignore();
        return;
    }
    // A preview that is printing asks first; one told to stay keeps the program running. One
    // told to cancel hides and closes itself once its print has stopped.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* preview = qobject_cast<PreviewWindow*>(window)) {
            if (!preview->close() && preview->isVisible()) {
                m_leaving = false;
                event->ignore();
                return;
            }
        }
    }
    m_leaving = true;
    m_exitTimer->stop();
    event->accept();
    QCoreApplication::exit(0);
}

// The list holds lines added or typed since it was last opened or saved.
bool MainForm::listHasUnsavedLines() const {
    const LineStore& list = m_labelList->lines();
    return list.count() > 0 && list.text() != m_listAsLastSaved;
}

// Asks "Save the label list?" when lines would be lost; true when the program may end.
bool MainForm::listMayBeLeft() {
    if (!listHasUnsavedLines())
        return true;
    switch (MessageBox::question(this, kApplicationTitle, QStringLiteral("Save the label list?"),
                                 true)) {
    case MessageBox::Answer::Yes:
        return saveList();
    case MessageBox::Answer::No:
        return true;
    case MessageBox::Answer::Cancel:
        break;
    }
    return false;
}

// A list file chosen with the CSV filter or named .csv is a spreadsheet's list.
bool MainForm::chosenAsCsv(const FileDialog& dialog) {
    return dialog.selectedNameFilter() == kCsvFilter ||
           csv::isCsvPath(dialog.fileName().toStdString());
}

// "Open list": the chosen file replaces the whole list; a CSV file gives one record per row.
void MainForm::onOpenList() {
    if (!m_openListDialog.execute(this))
        return;
    loadList(m_openListDialog.fileName(), chosenAsCsv(m_openListDialog));
}

// The file replaces the whole list (from "Open list" or "Open recent").
void MainForm::loadList(const QString& file, bool asCsv) {
    const std::string path = file.toStdString();
    if (asCsv)
        m_labelList->lines().loadCsvFile(path);
    else
        m_labelList->lines().loadFromFile(path);
    // An opened list starts a history of its own.
    m_listHistory.clear();
    onCancelReplace();
    updateRecordCommands();
    m_listFile = QFileInfo(file).fileName();
    m_listAsLastSaved = m_labelList->lines().text();
    addRecentFile(file, RecentKind::LabelList);
}

// "Save list": the list as a Rich Text Format document, at the path exactly as chosen, or as
// CSV when chosen so (a name without extension then takes .csv); an existing file is
// replaced only when the user confirms.
void MainForm::onSaveList() {
    saveList();
}

bool MainForm::saveList() {
    if (!m_saveListDialog.execute(this))
        return false;
    const std::string path = m_saveListDialog.fileName().toStdString();
    if (chosenAsCsv(m_saveListDialog))
        m_labelList->lines().saveCsvFile(path);
    else
        m_labelList->lines().saveToFile(path);
    m_listFile = QFileInfo(m_saveListDialog.fileName()).fileName();
    m_listAsLastSaved = m_labelList->lines().text();
    addRecentFile(m_saveListDialog.fileName(), RecentKind::LabelList);
    return true;
}

// "No of labels": the number of records (stored lines) in the list.
// A count too wide for the room between its place and the panel's edge (a list of
// thousands) is drawn smaller rather than cut off.
void MainForm::showLabelCount() {
    const QString count = QString::number(m_labelList->lines().count());
    const int room = m_mainPanel->contentsRect().right() + 1 - m_labelCount->x();
    int pixels = kLabelCountPixels;
    QFont font = pixelFont("Arial", pixels, true);
    while (pixels > kSmallestLabelCountPixels && QFontMetrics(font).horizontalAdvance(count) > room)
        font.setPixelSize(--pixels);
    m_labelCount->setFont(font);
    m_labelCount->setText(count);
    nameLabelCount(m_labelList->lines().count());
    m_labelCount->adjustSize();
    // On the caption's baseline, whatever its size.
    m_labelCount->move(m_labelCount->x(), m_labelCountCaption->y() +
                                              m_labelCountCaption->fontMetrics().ascent() -
                                              m_labelCount->fontMetrics().ascent());
}

// "Pick font", one per row; the dialog's result needs no handling, but a locality font the
// user picked is kept by the deferred load.
void MainForm::onPickMineralFont() {
    m_mineralFont.execute(this);
}
void MainForm::onPickLocalityFont() {
    if (m_localityFont.execute(this))
        m_localityFontPicked = true;
}
void MainForm::onPickInfoFont() {
    m_infoFont.execute(this);
}

// Stock backgrounds: the label background becomes a copy of the stock picture.
void MainForm::useBackground(ImageBox* stock) {
    m_background->setPicture(stock->picture());
}
void MainForm::onCompleteBackground() {
    useBackground(m_completeStock);
}
void MainForm::onReducedBackground() {
    useBackground(m_reducedStock);
}
void MainForm::onCleanBackground() {
    useBackground(m_cleanStock);
}

// "Custom": a picture file of the user's; Cancel keeps the background it had.
// Selected by the arrow keys, it only moves there: Enter or Space then chooses the picture.
void MainForm::onCustomBackground() {
    if (m_customByArrow)
        return;
    choosePicture();
}

// "Save settings...": two lines, each the mineral font's face name.
void MainForm::onSaveSettingsPad() {
    const std::string face = m_mineralFont.font().face;
    m_settingsPad->lines().add(face);
    m_settingsPad->lines().add(face);
}

// What the appearance controls hold at this moment: background, fonts, corrections.
LabelAppearance MainForm::appearance() const {
    LabelAppearance look;
    look.background = m_background->picture();
    look.mineralFont = m_mineralFont.font();
    look.localityFont = m_localityFont.font();
    look.infoFont = m_infoFont.font();
    look.corrections = {m_mineralX->value(),  m_mineralY->value(), m_localityX->value(),
                        m_localityY->value(), m_infoX->value(),    m_infoY->value()};
    const QScreen* screen = QGuiApplication::primaryScreen();
    look.pixelsPerInch = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    look.blankSize = m_drawnLabel->size();
    look.fitLongRows = m_fitLongRows->isChecked();
    return look;
}

void MainForm::composeLabel() {
    m_drawnLabel->setPicture(m_background->picture());
    const LabelAppearance look = appearance();

    const ComposedLabel label =
        composeRecordLabel({fromQString(m_drawnMineral->text()),
                            fromQString(m_drawnLocality->text()), fromQString(m_drawnInfo->text())},
                           look);
    m_drawnLabel->setPicture(label.picture);
    m_drawnInfo->setText(toQString(label.info));
}

// "Render and preview": stamps the sheet with the time and date, composes a label for every
// stored line of the list, lays them out fifteen to a page from the start slot on and
// previews the pages, returning once the preview has closed.
void MainForm::onRenderAndPreview() {
    renderAndPreview(labelListRecords(m_labelList->lines().text()));
}

// "Start at slot...": the slot of page 1 that the first label of the next renders goes
// into, for a partly used sheet. Cancel, or a number that is no slot, changes nothing.
void MainForm::onStartSlot() {
    const std::optional<int> slot =
        NumberDialog::ask(this, {QStringLiteral("Start at slot"),
                                 QStringLiteral("Slot of the first label on the sheet (%1 to %2):")
                                     .arg(kFirstStartSlot)
                                     .arg(kLastStartSlot),
                                 m_startSlot, kFirstStartSlot, kLastStartSlot});
    if (!slot || !isStartSlot(*slot))
        return;
    m_startSlot = *slot;
    showStartSlot();
}

// The Render button says where the labels start while it is not the first slot.
void MainForm::showStartSlot() {
    const QString tip = m_startSlot == kFirstStartSlot
                            ? QString()
                            : QStringLiteral("Starts at slot %1").arg(m_startSlot);
    m_renderButton->setToolTip(renderButtonTip(tip));
    m_renderButton->setAccessibleDescription(renderButtonTip(tip));
    m_renderButton->setStatusTip(tip);
}

// "Render selected lines": as "Render and preview", with only the records (stored lines)
// the selection in the list touches, in list order.
void MainForm::onRenderSelected() {
    const std::vector<LabelRecord> records = labelListRecords(m_labelList->lines().text());
    const RecordRange lines = selectedRecords();
    if (!m_labelList->textCursor().hasSelection() || lines.empty() ||
        lines.first >= int(records.size())) {
        MessageBox::information(this, kApplicationTitle,
                                QStringLiteral("No lines of the list are selected: select the "
                                               "labels to render in the list first."));
        return;
    }
    const int last = std::min(lines.last, int(records.size()) - 1);
    renderAndPreview(
        std::vector<LabelRecord>(records.begin() + lines.first, records.begin() + last + 1));
}

// The run itself is shared with the command-line program; the window shows the fields and
// label of each label the run composes before the preview (page 1's, then the last record's,
// which stays). The other labels are composed as their pages are recorded behind page 1, so
// the preview's progress panel is a long list's progress; the progress dialog here, with its
// Cancel, covers placing the labels and shows only when that takes long.
void MainForm::renderAndPreview(const std::vector<LabelRecord>& records) {
    // What a cancelled run puts back: the window as it was before the click.
    const QString caption = m_sheet->dateLineCaption();
    const QString fields[] = {m_drawnMineral->text(), m_drawnLocality->text(), m_drawnInfo->text()};
    const Picture label = m_drawnLabel->picture();

    m_sheet->setDateLineCaption(sheetDateLine(clockDateTime()));
    const LabelAppearance look = appearance();

    // The progress dialog (for a long list) goes before the preview opens.
    auto progress = std::make_unique<WorkProgress>(this, QStringLiteral("Rendering labels..."));
    SheetRunObserver shown;
    shown.beforeLabel = [this](const LabelRecord& record) {
        m_drawnMineral->setText(toQString(record.mineral));
        m_drawnLocality->setText(toQString(record.locality));
        m_drawnInfo->setText(toQString(record.info));
        m_drawnLabel->setPicture(m_background->picture());
    };
    shown.afterLabel = [this](const ComposedLabel& composed) {
        m_drawnLabel->setPicture(composed.picture);
        m_drawnInfo->setText(toQString(composed.info));
    };
    shown.keepGoing = [&progress](int done, int total) {
        return progress->step(done, total);
    };
    try {
        fillSheet(*m_sheet, records, look, m_startSlot, shown);
    } catch (const SheetRunCancelled&) {
        m_sheet->setDateLineCaption(caption);
        m_drawnMineral->setText(fields[0]);
        m_drawnLocality->setText(fields[1]);
        m_drawnInfo->setText(fields[2]);
        m_drawnLabel->setPicture(label);
        return;
    }
    progress.reset();
    m_sheet->previewer().settings().jobSource = m_listFile;
    const QString note = missingFormulasNote(records);
    const QMetaObject::Connection noting = connect(
        &m_sheet->previewer(), &ReportPreview::previewOpened, this, [note](PreviewWindow* window) {
            if (window)
                window->setNote(note);
        });
    m_sheet->preview();
    disconnect(noting);
}

void MainForm::openReportFile(const QString& path) {
    guarded([&] { m_sheet->previewer().previewFile(path); }, this);
}

} // namespace qlx
