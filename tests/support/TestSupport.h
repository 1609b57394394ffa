#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace qlx::test {

// A child of a window (a widget, timer, action or the report) by its object name; fails the
// test when there is none, so a renamed control shows at once. The one way tests find a control
// by name: the window's members are named by role, its controls keep their designer names as
// object names.
template <typename T> T* child(const QObject& parent, const QString& objectName) {
    T* found = parent.findChild<T*>(objectName);
    if (!found)
        qFatal("no child %s", qPrintable(objectName));
    return found;
}
template <typename T> T* child(const QObject& parent, const char* objectName) {
    return child<T>(parent, QString::fromLatin1(objectName));
}

// Reads a whole file as bytes; empty when it cannot be read.
std::string readFile(const QString& path);
// Writes bytes to a file, replacing it; false when it cannot be written.
bool writeFile(const QString& path, const std::string& bytes);

// A label list of `count` records, one a line (CR LF), each of its own text:
// |Mineral i|Place i|HiO|.
std::string numberedList(int count);

} // namespace qlx::test
