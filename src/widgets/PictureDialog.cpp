#include "widgets/PictureDialog.h"

#include <QFileDialog>
#include <QGridLayout>

#include "widgets/FileDialog.h"
#include "widgets/PicturePreview.h"

namespace qlx {

DialogHook<QString, QString>& OpenPictureDialog::hook() {
    static DialogHook<QString, QString> h;
    return h;
}

void OpenPictureDialog::setNextFileName(std::optional<QString> name) {
    hook().queue(name);
}

void OpenPictureDialog::setAnswerFunction(
    std::function<std::optional<QString>(const QString&)> fn) {
    hook().setFunction(std::move(fn));
}

void OpenPictureDialog::clearAnswers() {
    hook().clear();
}

int OpenPictureDialog::openings() {
    return hook().openings();
}

QStringList OpenPictureDialog::nameFilters() {
    return {
        QStringLiteral("All (*.bmp *.png *.jpg *.jpeg *.ico *.emf *.wmf)"),
        QStringLiteral("Bitmaps (*.bmp)"),
        QStringLiteral("PNG images (*.png)"),
        QStringLiteral("JPEG images (*.jpg *.jpeg)"),
        QStringLiteral("Icons (*.ico)"),
        QStringLiteral("Enhanced Metafiles (*.emf)"),
        QStringLiteral("Metafiles (*.wmf)"),
    };
}

bool OpenPictureDialog::execute(QWidget* parent) {
    bool accepted = false;
    QString chosen;
    if (!hook().answer(m_fileName, accepted, chosen)) {
        QFileDialog dialog(parent, QObject::tr("Open"));
        // Qt's own dialog, so that the preview can sit beside the file list.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilters(nameFilters());
        auto* preview = new PicturePreview(&dialog);
        preview->setObjectName("preview");
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);
        if (!m_fileName.isEmpty())
            preview->showFile(m_fileName);
        accepted = FileDialog::runAt(dialog, m_fileName, chosen);
    }
    if (accepted)
        m_fileName = chosen;
    return accepted;
}

} // namespace qlx
