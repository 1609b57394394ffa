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

    // Shows a modal box with an error icon and an OK button.
    static void error(QWidget* parent, const QString& caption, const QString& text);

    // While a hook is set, boxes are handed to it instead of being shown.
    static void setHook(Hook hook);
    static bool isOpen();

private:
    static Hook& hook();
    static int& openCount();
};

} // namespace qlx
