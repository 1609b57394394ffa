// The list box's record commands: a context menu and shortcuts that work on whole records
// (stored lines), an undo history of their steps, and "Edit in fields" with its replacing Add.
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <utility>

#include "app/MainForm.h"
#include "pictures/Text.h"
#include "stores/LabelList.h"
#include "widgets/ErrorHandler.h"
#include "widgets/RichEditBox.h"

namespace qlx {

namespace {

const QString kAddCaption = QStringLiteral("Add data to list");
const QString kReplaceCaption = QStringLiteral("Replace in list");

} // namespace

void MainForm::buildRecordCommands() {
    const auto command = [this](const char* name, const QString& text, const QKeySequence& keys,
                                void (MainForm::*handler)(), QWidget* scope) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        a->setShortcut(keys);
        a->setShortcutContext(scope == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
        connect(a, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }, this); });
        scope->addAction(a);
        return a;
    };
    // The text box's own keys stay its own: Delete, Ctrl+D and Ctrl+E edit text there.
    command("DeleteRecords", "Delete record(s)",
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), &MainForm::onDeleteRecords,
            m_labelList);
    command("DuplicateRecords", "Duplicate", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D),
            &MainForm::onDuplicateRecords, m_labelList);
    command("MoveRecordsUp", "Move up", QKeySequence(Qt::ALT | Qt::Key_Up),
            &MainForm::onMoveRecordsUp, m_labelList);
    command("MoveRecordsDown", "Move down", QKeySequence(Qt::ALT | Qt::Key_Down),
            &MainForm::onMoveRecordsDown, m_labelList);
    command("EditInFields", "Edit in fields", QKeySequence(Qt::Key_F2), &MainForm::onEditInFields,
            m_labelList);
    // Ctrl+Z in the list box is taken in undoKeyForList; this one serves the rest of the
    // window (a text field keeps Ctrl+Z for its own text).
    command("UndoList", "Undo list change", QKeySequence::Undo, &MainForm::onUndoList, this);
    command("CancelReplace", "Cancel replace", QKeySequence(Qt::Key_Escape), &MainForm::onEscape,
            this);
    m_labelList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_labelList, &QWidget::customContextMenuRequested, this, &MainForm::showRecordMenu);
    m_labelList->installEventFilter(this);
    updateRecordCommands();
}

void MainForm::showRecordMenu(const QPoint& at) {
    // A right click on a record without a selection works on that record.
    if (!m_labelList->textCursor().hasSelection())
        m_labelList->setTextCursor(m_labelList->cursorForPosition(at));
    updateRecordCommands();
    QMenu* menu = m_labelList->createStandardContextMenu(at);
    menu->addSeparator();
    for (const char* name : {"EditInFields", "DuplicateRecords", "MoveRecordsUp", "MoveRecordsDown",
                             "DeleteRecords", "UndoList"})
        menu->addAction(findChild<QAction*>(name));
    menu->exec(m_labelList->viewport()->mapToGlobal(at));
    delete menu;
}

void MainForm::updateRecordCommands() {
    const bool any = m_labelList->lines().count() > 0;
    for (const char* name :
         {"DeleteRecords", "DuplicateRecords", "MoveRecordsUp", "MoveRecordsDown", "EditInFields"})
        findChild<QAction*>(name)->setEnabled(any);
    findChild<QAction*>("UndoList")->setEnabled(m_listHistory.canUndo());
    // Esc also hides the about panel.
    findChild<QAction*>("CancelReplace")->setEnabled(m_replacing >= 0 || !m_aboutPanel->isHidden());
}

// The records the selection touches; without a selection, the cursor's record. Blocks of the
// box are the list's stored lines (wrapping is only how they are shown).
RecordRange MainForm::selectedRecords() const {
    const QTextCursor cursor = m_labelList->textCursor();
    const QTextDocument* doc = m_labelList->document();
    RecordRange range;
    range.first = doc->findBlock(cursor.selectionStart()).blockNumber();
    const QTextBlock lastBlock = doc->findBlock(cursor.selectionEnd());
    range.last = lastBlock.blockNumber();
    // A selection that ends at the very start of a line does not take that line.
    if (cursor.hasSelection() && range.last > range.first &&
        cursor.selectionEnd() == lastBlock.position())
        --range.last;
    range.last = std::min(range.last, m_labelList->lines().count() - 1);
    return range;
}

void MainForm::selectRecords(RecordRange range) {
    const QTextDocument* doc = m_labelList->document();
    const QTextBlock first = doc->findBlockByNumber(range.first);
    const QTextBlock last = doc->findBlockByNumber(range.last);
    if (!first.isValid() || !last.isValid())
        return;
    QTextCursor cursor(m_labelList->document());
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    m_labelList->setTextCursor(cursor);
}

void MainForm::editList(std::string text) {
    m_listHistory.push(m_labelList->lines().setText(text));
    updateRecordCommands();
}

void MainForm::onDeleteRecords() {
    const RecordRange range = selectedRecords();
    editList(deleteRecords(m_labelList->lines().text(), range));
    selectRecords({range.first, range.first});
}

void MainForm::onDuplicateRecords() {
    const RecordRange range = selectedRecords();
    editList(duplicateRecords(m_labelList->lines().text(), range));
    const int size = range.last - range.first + 1;
    selectRecords({range.first + size, range.last + size});
}

void MainForm::onMoveRecordsUp() {
    RecordRange range = selectedRecords();
    editList(moveRecords(m_labelList->lines().text(), range, -1));
    selectRecords(range);
}

void MainForm::onMoveRecordsDown() {
    RecordRange range = selectedRecords();
    editList(moveRecords(m_labelList->lines().text(), range, +1));
    selectRecords(range);
}

void MainForm::onEditInFields() {
    const RecordRange range = selectedRecords();
    if (range.empty())
        return;
    m_replacing = range.first;
    m_replacedRecord = m_labelList->lines().line(range.first);
    const LabelRecord record = splitLabelRecord(m_replacedRecord);
    // Each field shows its text from the start.
    for (auto [field, text] :
         {std::pair{m_mineralField, &record.mineral}, std::pair{m_localityField, &record.locality},
          std::pair{m_infoField, &record.info}}) {
        field->setText(toQString(*text));
        field->setCursorPosition(0);
    }
    m_addButton->setText(kReplaceCaption);
    selectRecords({range.first, range.first});
    updateRecordCommands();
    m_mineralField->setFocus();
}

void MainForm::onCancelReplace() {
    if (m_replacing < 0)
        return;
    m_replacing = -1;
    m_replacedRecord.clear();
    m_addButton->setText(kAddCaption);
    updateRecordCommands();
}

void MainForm::onUndoList() {
    if (auto step = m_listHistory.undo()) {
        m_labelList->lines().revert(*step);
        onCancelReplace();
    }
    updateRecordCommands();
}

// Ctrl+Z in the list box first takes back typing there (the box's own undo); once there is
// none, it takes back the last record step.
bool MainForm::undoKeyForList(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->matches(QKeySequence::Undo) || m_labelList->document()->isUndoAvailable() ||
        !m_listHistory.canUndo())
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the key comes to the box, not to a window shortcut
        return true;
    }
    guarded([&] { onUndoList(); }, this);
    return true;
}

} // namespace qlx
