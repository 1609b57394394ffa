#include "platform/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

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

void FileDialog::clearAnswers() {
    hook().clear();
}

int FileDialog::openings() {
    return hook().openings();
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
    if (!hook().answer({m_mode, m_fileName}, accepted, chosen)) {
        QFileDialog dialog(parent);
        // The same widgets on every desktop, which tests can drive.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(m_mode == Mode::Open ? QFileDialog::AcceptOpen
                                                  : QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!m_filters.isEmpty())
            dialog.setNameFilters(m_filters);
        accepted = runAt(dialog, m_fileName, chosen);
    }
    if (accepted)
        m_fileName = chosen;
    return accepted;
}

} // namespace qlx
