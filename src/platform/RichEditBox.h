#pragma once

#include <QTextEdit>

#include "stores/LineStore.h"

namespace qlx {

// A rich-text box that shows a line store. The store is the text's home: what the handlers
// add or load shows in the box at once, and what the user types goes back into the store.
class RichEditBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEditBox(bool plainText, QWidget* parent = nullptr);

    LineStore& lines() { return m_store; }
    const LineStore& lines() const { return m_store; }

private:
    void showStore();
    void takeTyping();
    QString typedText() const;

    LineStore m_store;
    bool m_syncing = false;
};

} // namespace qlx
