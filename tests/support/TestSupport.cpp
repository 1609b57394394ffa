#include "support/TestSupport.h"

#include <QFile>

namespace qlx::test {

std::string readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool writeFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

std::string numberedList(int count) {
    std::string list;
    for (int i = 1; i <= count; ++i)
        list += "|Mineral " + std::to_string(i) + "|Place " + std::to_string(i) + "|H" +
                std::to_string(i) + "O|\r\n";
    return list;
}

} // namespace qlx::test
