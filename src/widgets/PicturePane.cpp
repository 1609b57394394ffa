#include "widgets/PicturePane.h"

#include <QPainter>

namespace qlx {

PicturePane::PicturePane(QWidget* parent)
    : QWidget(parent) {
    setMinimumSize(150, 150);
}

void PicturePane::setPicture(const Picture& picture) {
    m_picture = picture;
    update();
}

QRect PicturePane::placement(const QSize& picture, const QSize& pane) {
    if (picture.isEmpty() || pane.isEmpty())
        return QRect();
    QSize shown = picture;
    if (picture.width() > pane.width() || picture.height() > pane.height())
        shown = picture.scaled(pane, Qt::KeepAspectRatio);
    shown = shown.expandedTo(QSize(1, 1));
    return QRect(QPoint((pane.width() - shown.width()) / 2, (pane.height() - shown.height()) / 2),
                 shown);
}

void PicturePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    if (m_picture.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(inside, Qt::AlignCenter, tr("(None)"));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_picture.draw(painter,
                   placement(m_picture.size(), inside.size()).translated(inside.topLeft()));
}

} // namespace qlx
