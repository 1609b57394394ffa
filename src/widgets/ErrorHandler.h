#pragma once

#include <QString>
#include <exception>
#include <string>
#include <utility>

#include "stores/Product.h"

class QWidget;

namespace qlx {

// The application title: the caption of every error box.
inline const QString kApplicationTitle = QString::fromUtf8(kProductName);

// The text the error box shows: a full stop is appended when the last character sorts after
// '.' in Windows-1252 order (a letter or a digit does; "!" and ")" do not).
std::string withFullStop(std::string message);

// The application's default error handler: shows the message of a failure that escaped a
// handler, then returns so that the event loop goes on.
void showError(const std::exception& failure, QWidget* parent = nullptr);
void showError(const std::string& message, QWidget* parent = nullptr);

// Runs one handler of the window; whatever it throws goes to the default error handler.
// Every event binding of the main window goes through here.
template <typename Fn> void guarded(Fn&& handler, QWidget* parent = nullptr) {
    try {
        std::forward<Fn>(handler)();
    } catch (const std::exception& failure) {
        showError(failure, parent);
    } catch (...) {
        showError(std::string("Unknown failure"), parent);
    }
}

} // namespace qlx
