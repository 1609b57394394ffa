#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include "preview/PreviewGeometry.h"

namespace qlx {

class PreviewDocument;

// The scrolling page view of the preview window: shows one page of a document as the page
// image (the page scaled to the zoom, with outline and shadow), centred where it is smaller
// than the view. The played page is kept at the current zoom, so repaints and scrolling do
// not play it again.
class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    // The document whose pages are shown; null detaches (the image then draws nothing).
    void setDocument(const PreviewDocument* document);

    int shownPage() const { return m_page; }
    int zoom() const { return m_zoom; }
    ZoomMode zoomMode() const { return m_mode; }
    bool hasPicture() const { return m_hasPicture; }

    // The page at 100% in screen pixels, from the document's paper.
    PixelSize pagePixels100() const;
    // Where the page image stands in the view's client area (before scrolling).
    ImagePlacement imagePlacement() const { return m_place; }

    // Reads page n from the document and shows it; scroll positions return to 0.
    void showPage(int n);
    // Zoom commands: fixed zoom (ignored outside the allowed range), fit and width.
    void setFixedZoom(int zoom);
    void setZoomMode(ZoomMode mode);
    // The paper may have changed (after a load): size and place the image again.
    void refresh();

    // Draws the page image of the given size: white page, the page picture stretched over the
    // whole image, the outline and the 2-pixel shadow along the right and bottom edges.
    static void drawPageImage(QPainter& painter, const PreviewDocument& document, int page,
                              int width, int height);

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

signals:
    // The shown page was drawn with a part missing (the reason), or whole again (empty).
    void pageProblemChanged(const QString& problem);

private:
    void reportProblem();

    void applyMode();
    void place();
    void updateScrollBars();
    void invalidateCache();
    bool cacheable() const;
    void fillCache();

    const PreviewDocument* m_document = nullptr;
    int m_page = 1;
    QString m_problem; // what the last drawing of the page missed
    int m_zoom = 100;
    ZoomMode m_mode = ZoomMode::Fixed;
    bool m_hasPicture = false;
    ImagePlacement m_place;
    QImage m_cache; // the page image at the current zoom; null when not built
};

} // namespace qlx
