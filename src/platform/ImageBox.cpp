#include "platform/ImageBox.h"

#include <QPainter>

namespace qlx {

ImageBox::ImageBox(QWidget* parent)
    : QWidget(parent) {}

void ImageBox::setImage(const QImage& image) {
    m_image = image;
    update();
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (m_image.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(rect(), m_image);
}

} // namespace qlx
