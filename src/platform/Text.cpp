#include "platform/Text.h"

#include "stores/Windows1252.h"

namespace qlx {

QString toQString(const std::string& cp1252Text) {
    QString out;
    out.reserve(static_cast<qsizetype>(cp1252Text.size()));
    for (unsigned char b : cp1252Text)
        out += QChar(static_cast<char16_t>(cp1252::toUnicode(b)));
    return out;
}

std::string fromQString(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (uint c : text.toUcs4()) {
        int byte = cp1252::fromUnicode(static_cast<char32_t>(c));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

} // namespace qlx
