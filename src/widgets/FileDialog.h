#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "widgets/DialogHook.h"

class QFileDialog;
class QWidget;

namespace qlx {

// A file-open or file-save dialog component. It remembers the last chosen name and opens on
// it. The open dialog does not insist that the file exists: whoever reads the file reports
// what goes wrong. The save dialog asks before a chosen file that exists is replaced; No
// cancels the save.
class FileDialog {
public:
    enum class Mode { Open, Save };

    explicit FileDialog(Mode mode)
        : m_mode(mode) {}

    Mode mode() const { return m_mode; }
    // Name filters as QFileDialog takes them ("Text (*.txt)"); none means every file.
    void setNameFilters(const QStringList& filters) { m_filters = filters; }
    const QStringList& nameFilters() const { return m_filters; }

    // The dialog's caption; empty: the platform's own.
    void setTitle(const QString& title) { m_title = title; }
    const QString& title() const { return m_title; }
    // Appended (after a dot) to a chosen name that has no extension.
    void setDefaultSuffix(const QString& suffix) { m_defaultSuffix = suffix; }
    // Appended instead of the default suffix when the name was chosen with `filter`.
    void setFilterSuffix(const QString& filter, const QString& suffix) {
        m_filterSuffixes.insert(filter, suffix);
    }

    const QString& fileName() const { return m_fileName; }

    // Dialogs of one kind ("lists", "reports", ...) share the folder a file was last chosen
    // in, for the run, across windows: a dialog with no name of its own yet opens there.
    void setFolderKind(const QString& kind);

    // The name filter the dialog opens on and, after OK, the one the last accepted name was
    // chosen with; the first filter when none is set (empty without filters).
    QString selectedNameFilter() const;
    void selectNameFilter(const QString& filter) { m_selectedFilter = filter; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // Opens the dialog modally; on OK the chosen path becomes fileName() and true is returned.
    // A save dialog whose chosen file exists returns true only when replacing it was
    // confirmed (through MessageBox::question, which tests answer by its hook).
    bool execute(QWidget* parent);

    // The question asked before `path` is replaced.
    static QString replaceQuestion(const QString& path);
    static QString replaceCaption();

    // Test hooks, for open and save dialogs alike: the next opening is answered with `name`
    // (std::nullopt for Cancel); answers queue up, one per opening.
    struct Request {
        Mode mode;
        QString startName;
        QString title;
        QStringList filters;
    };
    static void setNextFileName(std::optional<QString> name);
    // The filter a hooked answer is chosen with: queued like the names, one per accepted
    // answer; without one, the filter the dialog opened on.
    static void setNextNameFilter(const QString& filter);
    static void setAnswerFunction(std::function<std::optional<QString>(const Request&)> fn);
    static void clearAnswers();
    static int openings();

    // Runs a Qt file dialog set up by the caller, starting in the folder of `startName` with
    // its file selected; true, with `chosen` set, when a file was accepted.
    static bool runAt(QFileDialog& dialog, const QString& startName, QString& chosen);

private:
    static DialogHook<QString, Request>& hook();
    static QString withDefaultSuffix(const QString& name, const QString& suffix);
    static QStringList& queuedFilters();

    Mode m_mode;
    QStringList m_filters;
    QString m_title;
    QString m_defaultSuffix;
    QMap<QString, QString> m_filterSuffixes;
    QString m_fileName;
    QString m_selectedFilter;
    std::shared_ptr<QString> m_folder = std::make_shared<QString>();
};

} // namespace qlx
