#pragma once

#include <QPlainTextEdit>

#include "stores/LineStore.h"

namespace qlx {

// The box that shows a line store (the designer's rich-text boxes: their text is plain lines,
// so the box is a plain-text one, whose layout follows a change in time to the paragraphs it
// touched, where a rich-text layout walks every paragraph of the box). The store is the text's
// home: what the handlers add or load shows in the box at once, and what the user types goes back
// into the store. Each paragraph of the box is one segment of the store, so both sides pass on only
// the paragraphs a change touched: a keystroke or an added line costs the same in a list of fifty
// thousand lines as in a list of ten.
class RichEditBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichEditBox(bool plainText, QWidget* parent = nullptr);

    LineStore& lines() { return m_store; }
    const LineStore& lines() const { return m_store; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void showStore();
    void showChange(const LineStore::Change& change);
    void takeChange(int position, int removed, int added);
    void takeTyping();
    void refuseTyping(const std::string& message);
    QString typedText() const;

    LineStore m_store;
    bool m_syncing = false;
    bool m_outOfStep = false; // typing the store refused, until the box shows the store again
};

} // namespace qlx
