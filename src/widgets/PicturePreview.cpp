#include "widgets/PicturePreview.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <exception>

#include "widgets/PicturePane.h"

namespace qlx {

namespace {

const char* const kNoPicture = "Picture:";

} // namespace

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    m_caption = new QLabel(tr(kNoPicture));
    m_caption->setObjectName("caption");
    m_pane = new PicturePane;
    m_pane->setObjectName("pane");
    layout->addWidget(m_caption);
    layout->addWidget(m_pane, 1);
}

QString PicturePreview::caption() const {
    return m_caption->text();
}

void PicturePreview::showFile(const QString& path) {
    Picture picture;
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        try {
            picture = Picture::fromFile(path);
        } catch (const std::exception&) {
            picture = Picture(); // a preview only shows; the failure is not the user's concern yet
        }
    }
    m_pane->setPicture(picture);
    m_caption->setText(picture.isEmpty()
                           ? tr(kNoPicture)
                           : QStringLiteral(" (%1x%2)").arg(picture.width()).arg(picture.height()));
}

} // namespace qlx
