#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qlx {

// Message boxes go through here so that tests can see what was shown without a person
// having to press OK.
struct MessageBoxShown {
    QString caption;
    QString text;
    bool errorIcon = false;
};

class MessageBox {
public:
    using Hook = std::function<void(const MessageBoxShown&)>;

    enum class Answer { Yes, No, Cancel };
    using QuestionHook = std::function<Answer(const MessageBoxShown&)>;

    // Shows a modal box with an error icon and an OK button.
    static void error(QWidget* parent, const QString& caption, const QString& text);

    // Shows a modal box with an information icon and an OK button.
    static void information(QWidget* parent, const QString& caption, const QString& text);

    // Shows a modal box with a question icon and Yes and No buttons, and Cancel when
    // `withCancel`; closing the box otherwise answers Cancel (No without a Cancel button).
    static Answer question(QWidget* parent, const QString& caption, const QString& text,
                           bool withCancel);

    // While a hook is set, boxes are handed to it instead of being shown.
    static void setHook(Hook hook);
    // While set, questions are answered by it instead of being shown.
    static void setQuestionHook(QuestionHook hook);
    static bool isOpen();

private:
    static Hook& hook();
    static QuestionHook& questionHook();
    static int& openCount();
};

} // namespace qlx
