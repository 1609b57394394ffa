#include "widgets/NumberDialog.h"

#include <QInputDialog>

namespace qlx {

DialogHook<int, NumberDialog::Request>& NumberDialog::hook() {
    static DialogHook<int, Request> h;
    return h;
}

void NumberDialog::setNextAnswer(std::optional<int> value) {
    hook().queue(value);
}

void NumberDialog::setAnswerFunction(std::function<std::optional<int>(const Request&)> fn) {
    hook().setFunction(std::move(fn));
}

void NumberDialog::clearAnswers() {
    hook().clear();
}

int NumberDialog::openings() {
    return hook().openings();
}

std::optional<int> NumberDialog::ask(QWidget* parent, const Request& request) {
    bool accepted = false;
    int value = 0;
    if (hook().answer(request, accepted, value))
        return accepted ? std::optional<int>(value) : std::nullopt;
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("NumberDialog"));
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(request.label);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(request.low, request.high);
    dialog.setIntValue(request.value);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.intValue();
}

} // namespace qlx
