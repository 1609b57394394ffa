#include "widgets/FontDialog.h"

#include "widgets/FontChooser.h"

namespace qlx {

DialogHook<LabelFont, LabelFont>& FontDialog::hook() {
    static DialogHook<LabelFont, LabelFont> h;
    return h;
}

void FontDialog::setNextAnswer(std::optional<LabelFont> answer) {
    hook().queue(std::move(answer));
}

void FontDialog::setAnswerFunction(std::function<std::optional<LabelFont>(const LabelFont&)> fn) {
    hook().setFunction(std::move(fn));
}

void FontDialog::clearAnswers() {
    hook().clear();
}

int FontDialog::openings() {
    return hook().openings();
}

bool FontDialog::execute(QWidget* parent) {
    bool accepted = false;
    LabelFont chosen;
    if (!hook().answer(m_font, accepted, chosen)) {
        FontChooser dialog(m_font, parent);
        accepted = dialog.exec() == QDialog::Accepted;
        if (accepted)
            chosen = dialog.font();
    }
    if (accepted)
        m_font = chosen;
    return accepted;
}

} // namespace qlx
