#pragma once

#include <QString>
#include <functional>

#include "stores/Error.h"

namespace qlx::test {

// Runs `run` and gives the message of the qlx::Error it throws, or "no error".
inline QString errorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("no error");
}

} // namespace qlx::test
