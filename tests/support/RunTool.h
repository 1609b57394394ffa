#pragma once

#include <QByteArray>
#include <QDebug>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <optional>

namespace qlx::test {

// Runs an installed program with `args`, `input` on its standard input and `workDir` as its
// folder when given; its standard output, or nothing when it is not installed or does not
// finish cleanly within a minute (what it said on its error output is logged then).
inline std::optional<QByteArray> runTool(const QString& tool, const QStringList& args,
                                         const QByteArray& input = {},
                                         const QString& workDir = {}) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return std::nullopt;
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(tool, args);
    if (!p.waitForStarted())
        return std::nullopt;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << tool << p.readAllStandardError();
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

} // namespace qlx::test
