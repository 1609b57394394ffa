#include "widgets/RichEditBox.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "pictures/Text.h"
#include "stores/Error.h"
#include "widgets/ErrorHandler.h"

namespace qlx {

namespace {

// The store separates lines by CR LF, the box by LF.
QString boxText(std::string_view storeText) {
    std::string lf;
    lf.reserve(storeText.size());
    for (size_t i = 0; i < storeText.size(); ++i) {
        if (storeText[i] == '\r' && i + 1 < storeText.size() && storeText[i + 1] == '\n')
            continue;
        lf += storeText[i];
    }
    return toQString(lf);
}

// Paragraph and line separators typed or pasted are line breaks of the store.
void separatorsToLineBreaks(QString& text) {
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    }
}

bool isEnterKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

RichEditBox::RichEditBox(bool plainText, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_store(plainText) {
    setTabChangesFocus(true);
    m_store.setChangeListener([this](const LineStore::Change& change) { showChange(change); });
    connect(document(), &QTextDocument::contentsChange, this, &RichEditBox::takeChange);
}

void RichEditBox::showStore() {
    m_syncing = true;
    setPlainText(boxText(m_store.text()));
    m_syncing = false;
    m_outOfStep = false;
}

// The paragraphs of the change are replaced in place; the rest of the box stays laid out.
void RichEditBox::showChange(const LineStore::Change& change) {
    if (m_syncing)
        return;
    QTextDocument* doc = document();
    const int blocksBefore = m_store.segmentCount() - change.added + change.removed;
    if (m_outOfStep || doc->blockCount() != blocksBefore || change.removed >= blocksBefore) {
        showStore();
        return;
    }
    QString text;
    for (int i = change.first; i < change.first + change.added; ++i) {
        if (i > change.first)
            text += QLatin1Char('\n');
        text += boxText(m_store.segment(i));
    }
    const QTextBlock first = doc->findBlockByNumber(change.first);
    const QTextBlock last = doc->findBlockByNumber(change.first + change.removed - 1);
    m_syncing = true;
    // As setPlainText did: what the program puts in is no typing for the box's own undo.
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    doc->setUndoRedoEnabled(true);
    m_syncing = false;
}

// The document's own characters: toPlainText() would turn non-breaking spaces into spaces.
QString RichEditBox::typedText() const {
    QString text = document()->toRawText();
    separatorsToLineBreaks(text);
    return text;
}

// The whole typed text, when the paragraphs no longer match the store's segments.
void RichEditBox::takeTyping() {
    m_syncing = true;
    try {
        m_store.setText(fromQString(typedText()));
    } catch (const std::exception& failure) {
        m_syncing = false;
        refuseTyping(failure.what());
        return;
    }
    m_syncing = false;
    if (m_store.segmentCount() != document()->blockCount()) {
        // A line separator split a paragraph: the box shows the store's lines once the
        // edit is over.
        m_outOfStep = true;
        QTimer::singleShot(0, this, [this] { showStore(); });
    }
}

// Typing passes on the paragraphs it touched: those from the change's first one to the one
// holding its end, in place of as many paragraphs, less the ones it took away.
void RichEditBox::takeChange(int position, int, int added) {
    if (m_syncing || m_outOfStep)
        return;
    const QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    const QTextBlock first = doc->findBlock(position);
    const QTextBlock last = doc->findBlock(std::min(position + added, doc->characterCount() - 1));
    if (!first.isValid() || !last.isValid() || last.blockNumber() < first.blockNumber()) {
        takeTyping();
        return;
    }
    const int newBlocks = last.blockNumber() - first.blockNumber() + 1;
    const int oldBlocks = newBlocks - (blocks - m_store.segmentCount());
    if (oldBlocks < 1 || first.blockNumber() + oldBlocks > m_store.segmentCount()) {
        takeTyping();
        return;
    }
    QString text;
    for (QTextBlock block = first;; block = block.next()) {
        text += block.text();
        if (block == last)
            break;
        text += QLatin1Char('\n');
    }
    separatorsToLineBreaks(text);
    m_syncing = true;
    try {
        m_store.replaceSegments(first.blockNumber(), oldBlocks, fromQString(text));
    } catch (const std::exception& failure) {
        m_syncing = false;
        refuseTyping(failure.what());
        return;
    }
    m_syncing = false;
    if (m_store.segmentCount() != blocks)
        takeTyping();
}

// The store refused what was typed (too many lines): the box goes back to the store's text
// once the edit is over, and says why.
void RichEditBox::refuseTyping(const std::string& message) {
    m_outOfStep = true;
    QTimer::singleShot(0, this, [this, message] {
        showStore();
        showError(message, this);
    });
}

void RichEditBox::keyPressEvent(QKeyEvent* event) {
    if (isEnterKey(event)) {
        if (std::size_t(m_store.count()) >= m_store.lineLimit() && !textCursor().hasSelection()) {
            showError(LineStore::tooManyLines(m_store.lineLimit()), this);
            return;
        }
        // Shift+Enter would put a line separator inside the paragraph: every break of the
        // box is a paragraph, as every line break of the store is a segment.
        if (event->modifiers() & Qt::ShiftModifier) {
            QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                            event->text(), event->isAutoRepeat(), ushort(event->count()));
            QPlainTextEdit::keyPressEvent(&plain);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

// Pasted and dropped text goes in as plain lines, and only when the list has room for them.
void RichEditBox::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    QString text = source->text();
    separatorsToLineBreaks(text);
    const std::size_t adding = std::size_t(text.count(QLatin1Char('\n')));
    if (adding > 0 && std::size_t(m_store.count()) + adding > m_store.lineLimit()) {
        showError(LineStore::tooManyLines(m_store.lineLimit()), this);
        return;
    }
    textCursor().insertText(text);
    ensureCursorVisible();
}

} // namespace qlx
