#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qlx {

// The save and open dialogs of the preview window. Tests queue the answers with
// setNextFileName (an empty name answers Cancel) and then no dialog is shown.
class PreviewFileDialog {
public:
    struct Request {
        QString title;
        QString filter;        // in Qt's terms, e.g. "Leafpress file(*.LFP)"
        QString defaultSuffix; // appended to a name typed without one (save only)
        bool save = false;
    };

    // The chosen path, or an empty string when the user cancelled.
    static QString getFileName(QWidget* parent, const Request& request);

    static void setNextFileName(const QString& name);
    static void clearNextFileNames();
    // The requests seen while answers were queued, for tests to inspect.
    static const QList<Request>& requestsSeen();

    // Appends the default suffix to a file name that has none.
    static QString withDefaultSuffix(const QString& name, const QString& suffix);
};

} // namespace qlx
