#include "pagestore/TemporaryFolder.h"

#include <QDir>
#include <QFileInfo>

namespace qlx {

namespace {

const QString kSystemDefault = QStringLiteral("/tmp");

} // namespace

TemporaryFolder checkedTemporaryFolder() {
    const QString named = qEnvironmentVariable("TMPDIR");
    if (named.isEmpty())
        return {kSystemDefault, {}};
    const QFileInfo folder(named);
    QString why;
    if (!folder.exists())
        why = QStringLiteral("does not exist");
    else if (!folder.isDir())
        why = QStringLiteral("is not a folder");
    else if (!folder.isWritable())
        why = QStringLiteral("cannot be written");
    if (why.isEmpty())
        return {QDir::cleanPath(folder.absoluteFilePath()), {}};
    return {kSystemDefault, QStringLiteral("The temporary folder %1 (TMPDIR) %2; temporary "
                                           "files go to %3 instead")
                                .arg(QDir::toNativeSeparators(named), why, kSystemDefault)};
}

QString settleTemporaryFolder() {
    const TemporaryFolder folder = checkedTemporaryFolder();
    if (!folder.problem.isEmpty())
        qputenv("TMPDIR", QFile::encodeName(folder.path));
    return folder.problem;
}

} // namespace qlx
