#include "report/PreviewFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace qlx {

namespace {

QStringList& answers() {
    static QStringList a;
    return a;
}

QList<PreviewFileDialog::Request>& seen() {
    static QList<PreviewFileDialog::Request> s;
    return s;
}

} // namespace

void PreviewFileDialog::setNextFileName(const QString& name) {
    answers() << name;
}

void PreviewFileDialog::clearNextFileNames() {
    answers().clear();
    seen().clear();
}

const QList<PreviewFileDialog::Request>& PreviewFileDialog::requestsSeen() {
    return seen();
}

QString PreviewFileDialog::withDefaultSuffix(const QString& name, const QString& suffix) {
    if (name.isEmpty() || suffix.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + '.' + suffix;
}

QString PreviewFileDialog::getFileName(QWidget* parent, const Request& request) {
    if (!answers().isEmpty()) {
        seen() << request;
        const QString name = answers().takeFirst();
        return request.save ? withDefaultSuffix(name, request.defaultSuffix) : name;
    }
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Replacing an existing prepared report is what Save report does, without asking.
    if (request.save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    else
        dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace qlx
