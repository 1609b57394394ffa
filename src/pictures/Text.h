#pragma once

#include <QList>
#include <QString>
#include <string>

namespace qlx {

// The widget boundary: text values are UTF-8 everywhere below the widgets; a malformed
// byte shows as U+FFFD.
QString toQString(const std::string& utf8Text);
std::string fromQString(const QString& text);

} // namespace qlx
