#include "platform/RichEditBox.h"

#include <QTextDocument>

#include "platform/Text.h"

namespace qlx {

namespace {

// The store separates lines by CR LF, the box by LF.
QString boxText(const std::string& storeText) {
    std::string lf;
    lf.reserve(storeText.size());
    for (size_t i = 0; i < storeText.size(); ++i) {
        if (storeText[i] == '\r' && i + 1 < storeText.size() && storeText[i + 1] == '\n')
            continue;
        lf += storeText[i];
    }
    return toQString(lf);
}

} // namespace

RichEditBox::RichEditBox(bool plainText, QWidget* parent)
    : QTextEdit(parent)
    , m_store(plainText) {
    setAcceptRichText(!plainText);
    setTabChangesFocus(true);
    m_store.setChangeListener([this] { showStore(); });
    connect(this, &QTextEdit::textChanged, this, &RichEditBox::takeTyping);
}

void RichEditBox::showStore() {
    if (m_syncing)
        return;
    m_syncing = true;
    setPlainText(boxText(m_store.text()));
    m_syncing = false;
}

// The document's own characters: toPlainText() would turn non-breaking spaces into spaces.
// Paragraph and line separators become line breaks.
QString RichEditBox::typedText() const {
    QString text = document()->toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    }
    return text;
}

void RichEditBox::takeTyping() {
    if (m_syncing)
        return;
    m_syncing = true;
    m_store.setText(fromQString(typedText()));
    m_syncing = false;
}

} // namespace qlx
