#include "widgets/ImageBox.h"

#include <QPainter>

namespace qlx {

ImageBox::ImageBox(QWidget* parent)
    : QWidget(parent) {}

void ImageBox::setPicture(const Picture& picture) {
    m_picture = picture;
    update();
}

QImage& ImageBox::canvas() {
    if (m_picture.isEmpty()) {
        QImage blank(size(), QImage::Format_RGB32);
        blank.fill(Qt::white);
        m_picture = Picture(blank);
    }
    QImage& pixels = m_picture.bitmapForDrawing();
    update();
    return pixels;
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (m_picture.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_picture.draw(p, rect());
}

} // namespace qlx
