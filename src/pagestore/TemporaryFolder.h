#pragma once

#include <QString>

namespace qlx {

// The folder temporary files go to, checked: TMPDIR when it names a folder that exists and can
// be written, else the system's default /tmp. `problem` then says why TMPDIR was passed over
// (empty when it was taken, or not set). A missing TMPDIR never turns into "/".
struct TemporaryFolder {
    QString path;
    QString problem;
};
TemporaryFolder checkedTemporaryFolder();

// Checks the folder and, when TMPDIR was passed over, points TMPDIR at the one taken so that
// every temporary file of the process (pages, print jobs, Qt's own) goes there. Returns the
// problem to tell the user, or an empty text.
QString settleTemporaryFolder();

} // namespace qlx
