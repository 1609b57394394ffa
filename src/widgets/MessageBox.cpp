#include "widgets/MessageBox.h"

#include <QMessageBox>

namespace qlx {

MessageBox::Hook& MessageBox::hook() {
    static Hook h;
    return h;
}

int& MessageBox::openCount() {
    static int n = 0;
    return n;
}

MessageBox::QuestionHook& MessageBox::questionHook() {
    static QuestionHook h;
    return h;
}

void MessageBox::setQuestionHook(QuestionHook h) {
    questionHook() = std::move(h);
}

void MessageBox::setHook(Hook h) {
    hook() = std::move(h);
}

bool MessageBox::isOpen() {
    return openCount() > 0;
}

void MessageBox::error(QWidget* parent, const QString& caption, const QString& text) {
    ++openCount();
    struct Close {
        ~Close() { --MessageBox::openCount(); }
    } close;
    if (hook()) {
        hook()({caption, text, true});
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void MessageBox::information(QWidget* parent, const QString& caption, const QString& text) {
    ++openCount();
    struct Close {
        ~Close() { --MessageBox::openCount(); }
    } close;
    if (hook()) {
        hook()({caption, text, false});
        return;
    }
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

MessageBox::Answer MessageBox::question(QWidget* parent, const QString& caption,
                                        const QString& text, bool withCancel) {
    ++openCount();
    struct Close {
        ~Close() { --MessageBox::openCount(); }
    } close;
    if (questionHook())
        return questionHook()({caption, text, false});
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, caption, text, buttons, parent);
    box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return withCancel ? Answer::Cancel : Answer::No;
    }
}

} // namespace qlx
