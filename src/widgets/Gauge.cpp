#include "widgets/Gauge.h"

#include <QPainter>
#include <algorithm>

namespace qlx {

Gauge::Gauge(QWidget* parent)
    : QWidget(parent) {}

void Gauge::setRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    m_progress = std::clamp(m_progress, m_min, m_max);
    update();
}

int Gauge::percentDone() const {
    if (m_max == m_min)
        return 0;
    return static_cast<int>(static_cast<long long>(m_progress - m_min) * 100 / (m_max - m_min));
}

void Gauge::setProgress(int progress) {
    const int before = percentDone();
    m_progress = std::clamp(progress, m_min, m_max);
    if (percentDone() != before) {
        ++m_repaintRequests;
        update();
    }
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect outer = rect();
    p.fillRect(outer, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(outer.adjusted(0, 0, -1, -1));
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    const int filled = inner.width() * percentDone() / 100;
    if (filled > 0)
        p.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), Qt::black);
}

} // namespace qlx
