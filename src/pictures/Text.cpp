#include "pictures/Text.h"

namespace qlx {

QString toQString(const std::string& utf8Text) {
    return QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
}

std::string fromQString(const QString& text) {
    return text.toStdString();
}

} // namespace qlx
