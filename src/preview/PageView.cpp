#include "preview/PageView.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "pagestore/PreviewDocument.h"

namespace qlx {

namespace {

// Above this many pixels the page image is not kept (it would cost hundreds of megabytes at
// high zooms); the visible part is then played at every repaint instead.
constexpr qint64 kMaxCachedPixels = 16 * 1024 * 1024;

} // namespace

PageView::PageView(QWidget* parent)
    : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setObjectName("PageView");
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    viewport()->setPalette(pal);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
}

void PageView::setDocument(const PreviewDocument* document) {
    m_document = document;
    if (!document)
        m_hasPicture = false;
    invalidateCache();
    place();
}

PixelSize PageView::pagePixels100() const {
    if (!m_document)
        return {};
    const QSizeF paper = m_document->paperSize();
    return pagePixels(paper.width(), paper.height(), logicalDpiX(), logicalDpiY());
}

void PageView::showPage(int n) {
    if (!m_document || n < 1 || n > m_document->pagesAvailable())
        return;
    m_page = n;
    m_hasPicture = true;
    invalidateCache();
    place();
}

void PageView::setFixedZoom(int zoom) {
    m_mode = ZoomMode::Fixed;
    if (zoomAllowed(zoom) && zoom != m_zoom) {
        m_zoom = zoom;
        invalidateCache();
    }
    place();
}

void PageView::setZoomMode(ZoomMode mode) {
    m_mode = mode;
    applyMode();
}

void PageView::refresh() {
    invalidateCache();
    applyMode();
}

void PageView::applyMode() {
    const int zoom = zoomForMode(m_mode, {width(), height()}, pagePixels100(), m_zoom);
    if (zoom != m_zoom) {
        m_zoom = zoom;
        invalidateCache();
    }
    place();
}

void PageView::place() {
    const QSize vp = viewport()->size();
    m_place = placeImage(pagePixels100(), m_zoom, {vp.width(), vp.height()});
    updateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void PageView::updateScrollBars() {
    const QSize vp = viewport()->size();
    horizontalScrollBar()->setRange(0, qMax(0, m_place.width - vp.width()));
    horizontalScrollBar()->setPageStep(vp.width());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, qMax(0, m_place.height - vp.height()));
    verticalScrollBar()->setPageStep(vp.height());
    verticalScrollBar()->setSingleStep(20);
}

bool PageView::event(QEvent* e) {
    const bool handled = QAbstractScrollArea::event(e);
    // The outer size is what fit and width modes measure; scroll bars coming and going
    // change only the viewport, which resizeEvent handles.
    if (e->type() == QEvent::Resize)
        applyMode();
    return handled;
}

void PageView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    place();
}

void PageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void PageView::invalidateCache() {
    m_cache = QImage();
}

bool PageView::cacheable() const {
    const double dpr = viewport()->devicePixelRatioF();
    return qint64(m_place.width * dpr) * qint64(m_place.height * dpr) <= kMaxCachedPixels;
}

void PageView::fillCache() {
    const double dpr = viewport()->devicePixelRatioF();
    m_cache = QImage(qRound(m_place.width * dpr), qRound(m_place.height * dpr),
                     QImage::Format_ARGB32_Premultiplied);
    m_cache.setDevicePixelRatio(dpr);
    m_cache.fill(Qt::transparent);
    QPainter p(&m_cache);
    drawPageImage(p, *m_document, m_page, m_place.width, m_place.height);
    reportProblem();
}

void PageView::reportProblem() {
    const QString problem = m_document ? m_document->pageProblem(m_page) : QString();
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit pageProblemChanged(problem);
}

void PageView::paintEvent(QPaintEvent* e) {
    if (!m_document || !m_hasPicture || m_place.width <= 4 || m_place.height <= 4)
        return;
    QPainter p(viewport());
    const QPoint origin(m_place.left - horizontalScrollBar()->value(),
                        m_place.top - verticalScrollBar()->value());
    if (cacheable()) {
        if (m_cache.isNull())
            fillCache();
        p.drawImage(origin, m_cache);
        return;
    }
    p.setClipRect(e->rect());
    p.translate(origin);
    drawPageImage(p, *m_document, m_page, m_place.width, m_place.height);
    reportProblem();
}

void PageView::drawPageImage(QPainter& p, const PreviewDocument& document, int page, int w, int h) {
    // Rectangles here are given by their inside pixels: (1,1)-(w-2,h-2) exclusive is
    // QRect(1, 1, w - 3, h - 3).
    p.fillRect(QRect(1, 1, w - 3, h - 3), Qt::white);
    p.save();
    document.drawPage(page, p, QRectF(0, 0, w, h));
    p.restore();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 2, h - 2)); // a 1-pixel outline covers columns 0 to w - 2
    p.fillRect(QRect(w - 2, 2, 2, h - 2), Qt::black);
    p.fillRect(QRect(2, h - 2, w - 2, 2), Qt::black);
}

} // namespace qlx
