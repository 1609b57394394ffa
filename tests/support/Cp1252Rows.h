#pragma once

// Table rows of the store tests are written as Windows-1252 bytes, short to type; the stores
// hold UTF-8. These convert one way and back.

#include <QByteArray>
#include <string>
#include <string_view>

#include "stores/Windows1252.h"

namespace qlx::test {

// The UTF-8 text of Windows-1252 bytes.
inline std::string bytes(const QByteArray& b) {
    return cp1252::toUtf8(std::string(b.constData(), static_cast<std::size_t>(b.size())));
}

// The Windows-1252 bytes of a UTF-8 text.
inline QByteArray qbytes(std::string_view s) {
    return QByteArray::fromStdString(cp1252::fromUtf8(std::string(s)));
}

} // namespace qlx::test
