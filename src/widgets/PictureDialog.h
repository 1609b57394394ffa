#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "widgets/DialogHook.h"

class QWidget;

namespace qlx {

// The picture-open dialog component: a file-open dialog with a preview of the selected
// picture beside the file list, filtered to the picture types that load by extension. It
// remembers the last chosen name and opens on it.
class OpenPictureDialog {
public:
    const QString& fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // Opens the dialog modally; on OK the chosen path becomes fileName() and true is returned.
    bool execute(QWidget* parent);

    // "All" with every type, then one filter per type.
    static QStringList nameFilters();

    // Test hooks: the next opening is answered with `name` (std::nullopt for Cancel); answers
    // queue up, one per opening. The function form sees the name the dialog opens on.
    static void setNextFileName(std::optional<QString> name);
    static void setAnswerFunction(std::function<std::optional<QString>(const QString&)> fn);
    static void clearAnswers();
    static int openings();

private:
    static DialogHook<QString, QString>& hook();

    QString m_fileName;
};

} // namespace qlx
