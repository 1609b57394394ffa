#include "widgets/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "widgets/MessageBox.h"

namespace qlx {

DialogHook<QString, FileDialog::Request>& FileDialog::hook() {
    static DialogHook<QString, Request> h;
    return h;
}

void FileDialog::setNextFileName(std::optional<QString> name) {
    hook().queue(name);
}

void FileDialog::setAnswerFunction(std::function<std::optional<QString>(const Request&)> fn) {
    hook().setFunction(std::move(fn));
}

QStringList& FileDialog::queuedFilters() {
    static QStringList filters;
    return filters;
}

void FileDialog::setNextNameFilter(const QString& filter) {
    queuedFilters().append(filter);
}

void FileDialog::clearAnswers() {
    hook().clear();
    queuedFilters().clear();
}

int FileDialog::openings() {
    return hook().openings();
}

QString FileDialog::withDefaultSuffix(const QString& name, const QString& suffix) {
    if (name.isEmpty() || suffix.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + '.' + suffix;
}

bool FileDialog::runAt(QFileDialog& dialog, const QString& startName, QString& chosen) {
    if (!startName.isEmpty()) {
        dialog.setDirectory(QFileInfo(startName).absolutePath());
        dialog.selectFile(QFileInfo(startName).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().first();
    return true;
}

bool FileDialog::execute(QWidget* parent) {
    bool accepted = false;
    QString chosen;
    // Without a name of its own the dialog opens in the folder its kind used last.
    const QString startName =
        m_fileName.isEmpty() && !m_folder->isEmpty() ? *m_folder + QLatin1Char('/') : m_fileName;
    // The filter opened on: the one chosen last, else the first.
    QString filter = m_filters.contains(m_selectedFilter) ? m_selectedFilter
                     : m_filters.isEmpty()                ? QString()
                                                          : m_filters.first();
    if (hook().answer({m_mode, startName, m_title, m_filters}, accepted, chosen)) {
        if (accepted && !queuedFilters().isEmpty())
            filter = queuedFilters().takeFirst();
    } else {
        QFileDialog dialog(parent, m_title);
        // The same widgets on every desktop, which tests can drive.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(m_mode == Mode::Open ? QFileDialog::AcceptOpen
                                                  : QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(m_defaultSuffix);
        if (!m_filters.isEmpty()) {
            dialog.setNameFilters(m_filters);
            dialog.selectNameFilter(filter);
        }
        accepted = runAt(dialog, startName, chosen);
        if (accepted && !m_filters.isEmpty())
            filter = dialog.selectedNameFilter();
    }
    if (!accepted)
        return false;
    // A name typed without an extension takes the default one (or its filter's), whoever
    // typed it.
    const QString name = withDefaultSuffix(chosen, m_filterSuffixes.value(filter, m_defaultSuffix));
    if (m_mode == Mode::Save && QFileInfo::exists(name) &&
        MessageBox::question(parent, replaceCaption(), replaceQuestion(name), false) !=
            MessageBox::Answer::Yes)
        return false;
    m_fileName = name;
    m_selectedFilter = filter;
    *m_folder = QFileInfo(name).absolutePath();
    return true;
}

void FileDialog::setFolderKind(const QString& kind) {
    static QMap<QString, std::shared_ptr<QString>> folders;
    std::shared_ptr<QString>& folder = folders[kind];
    if (!folder)
        folder = std::make_shared<QString>();
    m_folder = folder;
}

QString FileDialog::selectedNameFilter() const {
    if (m_selectedFilter.isEmpty() && !m_filters.isEmpty())
        return m_filters.first();
    return m_selectedFilter;
}

QString FileDialog::replaceCaption() {
    return QStringLiteral("Confirm Save As");
}

QString FileDialog::replaceQuestion(const QString& path) {
    return QDir::toNativeSeparators(path) +
           QStringLiteral(" already exists.\nDo you want to replace it?");
}

} // namespace qlx
