#include "metafile/EmfPaintEngine.h"

#include "metafile/ColorRef.h"
#include "metafile/EmfRecords.h"

#include <QFontMetricsF>
#include <QGradient>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <cmath>

namespace qlx {

namespace {

// GDI pen, brush and mode constants.
constexpr uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4;
constexpr uint32_t PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200;
constexpr uint32_t PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_GEOMETRIC = 0x10000;
constexpr uint32_t BS_SOLID = 0, BS_HATCHED = 2;
constexpr uint32_t TRANSPARENT = 1, OPAQUE = 2;
constexpr uint32_t ALTERNATE = 1, WINDING = 2;
constexpr uint32_t COLORONCOLOR = 3, HALFTONE = 4;
constexpr uint32_t TA_BASELINE = 24;
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t RGN_AND = 1, RGN_COPY = 5;

QColor brushColour(const QBrush& brush) {
    if (const QGradient* g = brush.gradient()) {
        if (!g->stops().isEmpty())
            return g->stops().first().second;
    }
    return brush.color();
}

QPoint rounded(const QPointF& p) {
    return QPoint(qRound(p.x()), qRound(p.y()));
}

double scaleOf(const QTransform& t) {
    return std::sqrt(std::fabs(t.determinant()));
}

} // namespace

EmfPaintEngine::EmfPaintEngine(EmfWriter& writer)
    : QPaintEngine(QPaintEngine::AllFeatures)
    , m_writer(writer) {}

QPaintEngine::Type EmfPaintEngine::type() const {
    return static_cast<Type>(User + 17);
}

bool EmfPaintEngine::begin(QPaintDevice*) {
    m_xf = QTransform();
    m_pen = QPen();
    m_brush = QBrush();
    m_penHandle = m_brushHandle = m_fontHandle = 0;
    m_penNull = m_brushNull = false;
    m_textColour = m_bkMode = m_bkColour = m_fillMode = m_stretchMode = ~0u;
    m_clipped = false;
    m_writer.setUInt(emr::SETTEXTALIGN, TA_BASELINE);
    setActive(true);
    return true;
}

bool EmfPaintEngine::end() {
    // Put the stock objects back and delete ours, so the metafile leaves no live objects.
    if (m_penHandle || m_penNull)
        m_writer.selectObject(emr::kStockFlag | emr::BLACK_PEN);
    if (m_brushHandle || m_brushNull)
        m_writer.selectObject(emr::kStockFlag | emr::WHITE_BRUSH);
    if (m_fontHandle)
        m_writer.selectObject(emr::kStockFlag | emr::SYSTEM_FONT);
    for (uint32_t* h : {&m_penHandle, &m_brushHandle, &m_fontHandle}) {
        if (*h)
            m_writer.deleteObject(*h);
        *h = 0;
    }
    if (m_clipped)
        m_writer.resetClip();
    setActive(false);
    return true;
}

void EmfPaintEngine::updateState(const QPaintEngineState& newState) {
    const DirtyFlags f = newState.state();
    if (f & DirtyTransform)
        m_xf = newState.transform();
    if (f & DirtyPen)
        m_pen = newState.pen();
    if (f & DirtyBrush)
        m_brush = newState.brush();
    if (f & DirtyFont)
        m_font = newState.font();
    if (f & DirtyBackgroundMode)
        m_bgMode = newState.backgroundMode();
    if (f & DirtyBackground)
        m_bgBrush = newState.backgroundBrush();
    if (f & DirtyHints)
        m_smooth = newState.renderHints().testFlag(QPainter::SmoothPixmapTransform);
    if (f & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled))
        applyClip(newState);
}

void EmfPaintEngine::applyClip(const QPaintEngineState& newState) {
    const DirtyFlags f = newState.state();
    if (!newState.isClipEnabled() || newState.clipOperation() == Qt::NoClip) {
        if (m_clipped)
            m_writer.resetClip();
        m_clipped = false;
        return;
    }
    QRegion region;
    if (f & DirtyClipPath) {
        const QPainterPath path = m_xf.map(newState.clipPath());
        region = QRegion(path.toFillPolygon().toPolygon(), path.fillRule());
    } else if (f & DirtyClipRegion) {
        region = m_xf.map(newState.clipRegion());
    } else {
        return; // clipping re-enabled: Qt resends the region itself
    }
    const bool intersect = newState.clipOperation() == Qt::IntersectClip && m_clipped;
    m_writer.selectClipRegion(region, intersect ? RGN_AND : RGN_COPY);
    m_clipped = true;
}

void EmfPaintEngine::setUIntIfChanged(uint32_t type, uint32_t value, uint32_t& last) {
    if (value == last)
        return;
    m_writer.setUInt(type, value);
    last = value;
}

void EmfPaintEngine::applyPen(const QPen& pen) {
    if (pen.style() == Qt::NoPen) {
        if (!m_penNull) {
            m_writer.selectObject(emr::kStockFlag | emr::NULL_PEN);
            if (m_penHandle)
                m_writer.deleteObject(m_penHandle);
            m_penHandle = 0;
            m_penNull = true;
        }
        return;
    }
    PenKey key;
    const double w = pen.isCosmetic() ? std::max(pen.widthF(), 1.0)
                                      : std::max(pen.widthF() * scaleOf(m_xf), 1.0);
    key.width = static_cast<uint32_t>(std::lround(w));
    switch (pen.style()) {
    case Qt::DashLine:
        key.style = PS_DASH;
        break;
    case Qt::DotLine:
        key.style = PS_DOT;
        break;
    case Qt::DashDotLine:
        key.style = PS_DASHDOT;
        break;
    case Qt::DashDotDotLine:
        key.style = PS_DASHDOTDOT;
        break;
    default:
        key.style = PS_SOLID;
    }
    key.style |= PS_GEOMETRIC;
    if (pen.capStyle() == Qt::SquareCap)
        key.style |= PS_ENDCAP_SQUARE;
    else if (pen.capStyle() == Qt::FlatCap)
        key.style |= PS_ENDCAP_FLAT;
    if (pen.joinStyle() == Qt::BevelJoin)
        key.style |= PS_JOIN_BEVEL;
    else if (pen.joinStyle() == Qt::MiterJoin || pen.joinStyle() == Qt::SvgMiterJoin)
        key.style |= PS_JOIN_MITER;
    key.colour = brushColour(pen.brush()).rgb();
    if (!m_penNull && m_penHandle && key == m_penKey)
        return;
    const uint32_t h = m_writer.createPen(key.style, key.width, key.colour);
    m_writer.selectObject(h);
    if (m_penHandle)
        m_writer.deleteObject(m_penHandle);
    m_penHandle = h;
    m_penKey = key;
    m_penNull = false;
}

void EmfPaintEngine::applyBrush(const QBrush& brush) {
    if (brush.style() == Qt::NoBrush) {
        if (!m_brushNull) {
            m_writer.selectObject(emr::kStockFlag | emr::NULL_BRUSH);
            if (m_brushHandle)
                m_writer.deleteObject(m_brushHandle);
            m_brushHandle = 0;
            m_brushNull = true;
        }
        return;
    }
    BrushKey key;
    key.style = BS_SOLID;
    switch (brush.style()) {
    case Qt::HorPattern:
        key = {BS_HATCHED, 0, 0};
        break;
    case Qt::VerPattern:
        key = {BS_HATCHED, 1, 0};
        break;
    case Qt::FDiagPattern:
        key = {BS_HATCHED, 2, 0};
        break;
    case Qt::BDiagPattern:
        key = {BS_HATCHED, 3, 0};
        break;
    case Qt::CrossPattern:
        key = {BS_HATCHED, 4, 0};
        break;
    case Qt::DiagCrossPattern:
        key = {BS_HATCHED, 5, 0};
        break;
    default:
        break; // solid; gradients and textures fall back to their first colour
    }
    key.colour = brushColour(brush).rgb();
    if (!m_brushNull && m_brushHandle && key == m_brushKey)
        return;
    const uint32_t h = m_writer.createBrush(key.style, key.colour, key.hatch);
    m_writer.selectObject(h);
    if (m_brushHandle)
        m_writer.deleteObject(m_brushHandle);
    m_brushHandle = h;
    m_brushKey = key;
    m_brushNull = false;
}

void EmfPaintEngine::applyFont(const EmfLogFont& font) {
    if (m_fontHandle && font == m_fontKey)
        return;
    const uint32_t h = m_writer.createFont(font);
    m_writer.selectObject(h);
    if (m_fontHandle)
        m_writer.deleteObject(m_fontHandle);
    m_fontHandle = h;
    m_fontKey = font;
}

bool EmfPaintEngine::axisAligned() const {
    return m_xf.type() <= QTransform::TxScale && m_xf.m11() > 0 && m_xf.m22() > 0;
}

// A rectangle as a GDI box in device pixels (the returned QRect's right() and bottom() are
// the box's right and bottom): one past Qt's, since GDI leaves out the right and bottom
// edges of a box where Qt's outline includes them.
QRect EmfPaintEngine::gdiBox(const QRectF& r) const {
    const QRectF m = m_xf.mapRect(r.normalized());
    return QRect(QPoint(qRound(m.left()), qRound(m.top())),
                 QPoint(qRound(m.right()) + 1, qRound(m.bottom()) + 1));
}

void EmfPaintEngine::drawRects(const QRectF* rects, int count) {
    if (m_pen.style() == Qt::NoPen && m_brush.style() == Qt::NoBrush)
        return;
    applyPen(m_pen);
    applyBrush(m_brush);
    for (int i = 0; i < count; ++i) {
        if (axisAligned()) {
            m_writer.rectangle(gdiBox(rects[i]));
        } else {
            QPainterPath path;
            path.addRect(rects[i]);
            drawPath(path);
        }
    }
}

void EmfPaintEngine::drawLines(const QLineF* lines, int count) {
    if (m_pen.style() == Qt::NoPen)
        return;
    applyPen(m_pen);
    for (int i = 0; i < count; ++i) {
        const QLineF l = m_xf.map(lines[i]);
        m_writer.poly(emr::POLYLINE, {rounded(l.p1()), rounded(l.p2())});
    }
}

void EmfPaintEngine::drawEllipse(const QRectF& rect) {
    if (!axisAligned()) {
        QPainterPath path;
        path.addEllipse(rect);
        drawPath(path);
        return;
    }
    if (m_pen.style() == Qt::NoPen && m_brush.style() == Qt::NoBrush)
        return;
    applyPen(m_pen);
    applyBrush(m_brush);
    m_writer.ellipse(gdiBox(rect));
}

void EmfPaintEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
    if (count <= 0)
        return;
    std::vector<QPoint> pts;
    pts.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        pts.push_back(rounded(m_xf.map(points[i])));
    applyPen(m_pen);
    if (mode == PolylineMode) {
        if (m_pen.style() != Qt::NoPen)
            m_writer.poly(emr::POLYLINE, pts);
        return;
    }
    if (m_pen.style() == Qt::NoPen && m_brush.style() == Qt::NoBrush)
        return;
    applyBrush(m_brush);
    setUIntIfChanged(emr::SETPOLYFILLMODE, mode == WindingMode ? WINDING : ALTERNATE, m_fillMode);
    m_writer.poly(emr::POLYGON, pts);
}

void EmfPaintEngine::emitPath(const QPainterPath& p) {
    std::vector<QPoint> run; // pending POLYLINETO points
    uint32_t runType = 0;
    auto flush = [&] {
        if (!run.empty())
            m_writer.poly(runType, run);
        run.clear();
    };
    QPointF subpathStart;
    for (int i = 0; i < p.elementCount(); ++i) {
        const QPainterPath::Element& e = p.elementAt(i);
        if (e.isMoveTo()) {
            flush();
            m_writer.moveTo(rounded(e));
            subpathStart = e;
        } else if (e.isLineTo()) {
            if (runType != emr::POLYLINETO)
                flush();
            runType = emr::POLYLINETO;
            run.push_back(rounded(e));
        } else if (e.isCurveTo() && i + 2 < p.elementCount()) {
            if (runType != emr::POLYBEZIERTO)
                flush();
            runType = emr::POLYBEZIERTO;
            run.push_back(rounded(e));
            run.push_back(rounded(p.elementAt(i + 1)));
            run.push_back(rounded(p.elementAt(i + 2)));
            i += 2;
        }
        const bool last = i + 1 >= p.elementCount() || p.elementAt(i + 1).isMoveTo();
        if (last && i > 0 && rounded(p.elementAt(i)) == rounded(subpathStart)) {
            flush();
            m_writer.noArgs(emr::CLOSEFIGURE);
        }
    }
    flush();
}

void EmfPaintEngine::drawPath(const QPainterPath& path) {
    const bool stroke = m_pen.style() != Qt::NoPen;
    const bool fill = m_brush.style() != Qt::NoBrush;
    if (path.isEmpty() || (!stroke && !fill))
        return;
    const QPainterPath d = m_xf.map(path);
    applyPen(m_pen);
    applyBrush(m_brush);
    setUIntIfChanged(emr::SETPOLYFILLMODE, path.fillRule() == Qt::WindingFill ? WINDING : ALTERNATE,
                     m_fillMode);
    m_writer.noArgs(emr::BEGINPATH);
    emitPath(d);
    m_writer.noArgs(emr::ENDPATH);
    const QRect bounds = d.boundingRect().toAlignedRect();
    m_writer.pathOp(stroke && fill ? emr::STROKEANDFILLPATH
                                   : (stroke ? emr::STROKEPATH : emr::FILLPATH),
                    QRect(bounds.topLeft(), bounds.size() - QSize(1, 1)));
}

void EmfPaintEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
}

void EmfPaintEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                               Qt::ImageConversionFlags) {
    if (image.isNull() || r.isEmpty())
        return;
    const QRect src = sr.toAlignedRect().intersected(image.rect());
    if (src.isEmpty())
        return;
    const QImage part = src == image.rect() ? image : image.copy(src);
    const QRectF m = m_xf.mapRect(r.normalized());
    const QPoint tl = rounded(m.topLeft());
    const QPoint br = rounded(m.bottomRight());
    const QRect dest(tl, QSize(br.x() - tl.x(), br.y() - tl.y()));
    if (dest.width() <= 0 || dest.height() <= 0)
        return;
    setUIntIfChanged(emr::SETSTRETCHBLTMODE, m_smooth ? HALFTONE : COLORONCOLOR, m_stretchMode);
    m_writer.stretchDibits(dest, part, SRCCOPY);
}

void EmfPaintEngine::drawTextItem(const QPointF& p, const QTextItem& textItem) {
    const QString text = textItem.text();
    if (text.isEmpty())
        return;
    const QFont font = textItem.font();
    const double dpi = paintDevice() ? paintDevice()->logicalDpiY() : 96.0;
    const double em = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpi / 72.0;
    const double scale = std::sqrt(m_xf.m12() * m_xf.m12() + m_xf.m22() * m_xf.m22());
    EmfLogFont lf;
    lf.height = -static_cast<int32_t>(std::lround(em * scale));
    lf.weight = font.weight();
    lf.italic = font.italic();
    lf.underline = font.underline();
    lf.strikeOut = font.strikeOut();
    lf.faceName = font.family();
    const double angle = std::atan2(m_xf.m12(), m_xf.m11()) * 180.0 / M_PI;
    lf.escapement = -static_cast<int32_t>(std::lround(angle * 10.0));
    applyFont(lf);
    setUIntIfChanged(emr::SETTEXTCOLOR, toColorRef(brushColour(m_pen.brush()).rgb()), m_textColour);
    const uint32_t mode = m_bgMode == Qt::OpaqueMode ? OPAQUE : TRANSPARENT;
    setUIntIfChanged(emr::SETBKMODE, mode, m_bkMode);
    if (mode == OPAQUE)
        setUIntIfChanged(emr::SETBKCOLOR, toColorRef(brushColour(m_bgBrush).rgb()), m_bkColour);

    // Advances of the device-sized font, rounded so that their sum is the rounded width.
    QFont deviceFont = font;
    deviceFont.setPixelSize(std::max(1, -lf.height));
    const QFontMetricsF fm(deviceFont);
    std::vector<int32_t> dx;
    dx.reserve(static_cast<size_t>(text.size()));
    long prev = 0;
    for (int i = 1; i <= text.size(); ++i) {
        const long now = std::lround(fm.horizontalAdvance(text.left(i)));
        dx.push_back(static_cast<int32_t>(now - prev));
        prev = now;
    }
    const QPoint ref = rounded(m_xf.map(p));
    const QRect bounds(ref.x(), ref.y() - qRound(fm.ascent()), static_cast<int>(prev),
                       qRound(fm.ascent() + fm.descent()));
    m_writer.extTextOutW(ref, text, dx, bounds, 0);
}

} // namespace qlx
