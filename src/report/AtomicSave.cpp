#include "report/AtomicSave.h"

#include <QFileInfo>
#include <QSaveFile>

#include "stores/Error.h"

namespace qlx {

namespace {

[[noreturn]] void cannotCreate(const QString& path) {
    throw Error("Cannot create file " + path.toStdString());
}

} // namespace

void AtomicSave::write(const QString& path, const std::function<void(QIODevice&)>& fill) {
    if (QFileInfo(path).isDir())
        cannotCreate(path);
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        cannotCreate(path);
    try {
        fill(file);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        cannotCreate(path);
}

} // namespace qlx
