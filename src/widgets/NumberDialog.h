#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "widgets/DialogHook.h"

class QWidget;

namespace qlx {

// A modal dialog that asks for one whole number within a range.
class NumberDialog {
public:
    struct Request {
        QString title;
        QString label;
        int value = 0;
        int low = 0;
        int high = 0;
    };

    // The number the user accepted, within [low, high]; nothing on Cancel.
    static std::optional<int> ask(QWidget* parent, const Request& request);

    // Test hooks: the next opening is answered with `value` (std::nullopt for Cancel); answers
    // queue up, one per opening. A hooked answer is taken as given, even out of range.
    static void setNextAnswer(std::optional<int> value);
    static void setAnswerFunction(std::function<std::optional<int>(const Request&)> fn);
    static void clearAnswers();
    static int openings();

private:
    static DialogHook<int, Request>& hook();
};

} // namespace qlx
