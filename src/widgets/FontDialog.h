#pragma once

#include <optional>

#include "pictures/LabelFont.h"
#include "widgets/DialogHook.h"

class QWidget;

namespace qlx {

// The font dialog component of a label row: it holds the row's font, and running it opens the
// dialog on that font. OK replaces face, height, style, colour and character set at once;
// Cancel changes nothing.
class FontDialog {
public:
    FontDialog() = default;
    explicit FontDialog(const LabelFont& font)
        : m_font(font) {}

    const LabelFont& font() const { return m_font; }
    void setFont(const LabelFont& font) { m_font = font; }

    // Opens the dialog modally; true when the user pressed OK.
    bool execute(QWidget* parent);

    // Test hooks: the next opening is answered with `answer` (std::nullopt for Cancel)
    // instead of showing the dialog; answers queue up, one per opening.
    static void setNextAnswer(std::optional<LabelFont> answer);
    // Answers every opening from the font it opens on, while set.
    static void setAnswerFunction(std::function<std::optional<LabelFont>(const LabelFont&)> fn);
    static void clearAnswers();
    // How often any font dialog was opened.
    static int openings();

private:
    static DialogHook<LabelFont, LabelFont>& hook();

    LabelFont m_font;
};

} // namespace qlx
