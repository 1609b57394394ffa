#pragma once

#include <QList>
#include <QString>
#include <string>

namespace qlx {

// The widget boundary: text values are Windows-1252 bytes everywhere below the widgets.
// Characters outside Windows-1252 become '?'.
QString toQString(const std::string& cp1252Text);
std::string fromQString(const QString& text);

} // namespace qlx
