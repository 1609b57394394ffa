#include "widgets/ErrorHandler.h"

#include "widgets/MessageBox.h"

namespace qlx {

std::string withFullStop(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    return message;
}

void showError(const std::string& message, QWidget* parent) {
    MessageBox::error(parent, kApplicationTitle, QString::fromStdString(withFullStop(message)));
}

void showError(const std::exception& failure, QWidget* parent) {
    showError(std::string(failure.what()), parent);
}

} // namespace qlx
