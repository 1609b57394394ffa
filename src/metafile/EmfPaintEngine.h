#pragma once

#include "metafile/EmfWriter.h"

#include <QBrush>
#include <QFont>
#include <QPaintEngine>
#include <QPen>
#include <QRegion>
#include <QTransform>

namespace qlx {

// Records what a QPainter draws as enhanced metafile records in device pixels. The painter
// hands over untransformed primitives with its transform; the engine maps them itself, so
// rectangles, lines, text and pictures keep their exact device positions.
class EmfPaintEngine : public QPaintEngine {
public:
    explicit EmfPaintEngine(EmfWriter& writer);

    bool begin(QPaintDevice* device) override;
    bool end() override;
    void updateState(const QPaintEngineState& newState) override;
    void drawRects(const QRectF* rects, int count) override;
    void drawLines(const QLineF* lines, int count) override;
    void drawEllipse(const QRectF& rect) override;
    void drawPath(const QPainterPath& path) override;
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                   Qt::ImageConversionFlags flags) override;
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override;
    Type type() const override;

    using QPaintEngine::drawLines;
    using QPaintEngine::drawPolygon;
    using QPaintEngine::drawRects;

private:
    struct PenKey {
        uint32_t style = 0, width = 0;
        QRgb colour = 0;
        bool operator==(const PenKey& o) const {
            return style == o.style && width == o.width && colour == o.colour;
        }
    };
    struct BrushKey {
        uint32_t style = 0, hatch = 0;
        QRgb colour = 0;
        bool operator==(const BrushKey& o) const {
            return style == o.style && hatch == o.hatch && colour == o.colour;
        }
    };

    bool axisAligned() const;
    QRect gdiBox(const QRectF& r) const;
    void applyPen(const QPen& pen);
    void applyBrush(const QBrush& brush);
    void applyFont(const EmfLogFont& font);
    void applyClip(const QPaintEngineState& newState);
    void setUIntIfChanged(uint32_t type, uint32_t value, uint32_t& last);
    void emitPath(const QPainterPath& devicePath);

    EmfWriter& m_writer;
    QTransform m_xf;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    Qt::BGMode m_bgMode = Qt::TransparentMode;
    QBrush m_bgBrush;
    bool m_smooth = false;

    uint32_t m_penHandle = 0, m_brushHandle = 0, m_fontHandle = 0; // 0: a stock object
    PenKey m_penKey;
    BrushKey m_brushKey;
    EmfLogFont m_fontKey;
    bool m_penNull = false, m_brushNull = false;
    uint32_t m_textColour = ~0u, m_bkMode = ~0u, m_bkColour = ~0u, m_fillMode = ~0u,
             m_stretchMode = ~0u;
    bool m_clipped = false;
};

} // namespace qlx
