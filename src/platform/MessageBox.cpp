#include "platform/MessageBox.h"

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

} // namespace qlx
