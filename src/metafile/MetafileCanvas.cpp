#include "metafile/MetafileCanvas.h"

#include "metafile/MetafileLimits.h"
#include "stores/Error.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace qlx {

namespace {

constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr uint32_t SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6,
                   SRCINVERT = 0x00660046, NOTSRCCOPY = 0x00330008, DSTINVERT = 0x00550009,
                   PATCOPY = 0x00F00021, PATINVERT = 0x005A0049, BLACKNESS = 0x00000042,
                   WHITENESS = 0x00FF0062;
constexpr int TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4;
constexpr int kMaxFontPixels = 4000;
constexpr double kTextLimit = 1 << 20;
constexpr double kRegionLimit = 1 << 26;

int regionCoordinate(double v) {
    return static_cast<int>(
        std::lround(std::clamp(std::isfinite(v) ? v : 0.0, -kRegionLimit, kRegionLimit)));
}

// The whole plane, for region arithmetic against "not clipped".
QRegion everything() {
    return QRegion(-(1 << 26), -(1 << 26), 1 << 27, 1 << 27);
}

double arcAngle(const QRectF& box, QPointF p) {
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9), ry = std::max(box.height() / 2, 1e-9);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}

bool finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// True when glyphs of `pixelSize` come out only a few device pixels thin in some direction
// under `t`. Qt's glyph cache then gets empty bitmaps from FreeType and reads through a null
// pointer, so such text is drawn as outlines instead.
bool squeezedGlyphs(const QTransform& t, int pixelSize) {
    const double across = std::hypot(t.m11(), t.m12());
    const double down = std::hypot(t.m21(), t.m22());
    const double det = std::fabs(t.m11() * t.m22() - t.m12() * t.m21());
    // The narrowest extent of a unit square under the transform.
    const double narrowest = std::max(across, down) > 0 ? det / std::max(across, down) : 0;
    return !(pixelSize * narrowest >= 4);
}

} // namespace

MetafileCanvas::MetafileCanvas(QPainter* painter, const QTransform& base)
    : m_painter(painter)
    , m_base(base)
    , m_workBudget(metafile_limits::kMaxPaintUnits) {
    if (m_painter && m_painter->paintEngine() && m_painter->device() &&
        m_painter->paintEngine()->type() != QPaintEngine::Raster) {
        const double dpi =
            double(m_painter->device()->logicalDpiX()) * double(m_painter->device()->logicalDpiY());
        if (dpi > 96.0 * 96.0)
            m_pixelCost = 96.0 * 96.0 / dpi;
    }
    if (m_painter) {
        m_painter->save();
        m_hadClip = m_painter->hasClipping();
        if (m_hadClip)
            m_initialClip = m_painter->clipPath();
        m_initialTransform = m_painter->transform();
    }
}

MetafileCanvas::~MetafileCanvas() {
    if (m_painter)
        m_painter->restore();
}

QTransform MetafileCanvas::pageTransform() const {
    const State& s = m_state;
    double sx = 1, sy = 1;
    const double mmPerUnit[] = {0, 0, 0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
    switch (s.mapMode) {
    case MM_LOMETRIC:
    case MM_HIMETRIC:
    case MM_LOENGLISH:
    case MM_HIENGLISH:
    case MM_TWIPS:
        sx = mmPerUnit[s.mapMode] * s.pxPerMm.x();
        sy = -mmPerUnit[s.mapMode] * s.pxPerMm.y();
        break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC: {
        const double wx = s.winExt.x() == 0 ? 1 : s.winExt.x();
        const double wy = s.winExt.y() == 0 ? 1 : s.winExt.y();
        sx = s.vpExt.x() / wx;
        sy = s.vpExt.y() / wy;
        if (s.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::fabs(sx), std::fabs(sy));
            sx = sx < 0 ? -m : m;
            sy = sy < 0 ? -m : m;
        }
        break;
    }
    default:
        break;
    }
    return QTransform::fromTranslate(-s.winOrg.x(), -s.winOrg.y()) * QTransform::fromScale(sx, sy) *
           QTransform::fromTranslate(s.vpOrg.x(), s.vpOrg.y());
}

void MetafileCanvas::setDeviceBounds(const QRectF& bounds) {
    constexpr int margin = metafile_limits::kClipMargin;
    QRectF limit = m_base.mapRect(bounds).adjusted(-margin, -margin, margin, margin);
    if (m_painter && m_painter->device()) {
        const QPaintDevice* device = m_painter->device();
        limit = limit.intersected(QRectF(0, 0, device->width(), device->height())
                                      .adjusted(-margin, -margin, margin, margin));
    }
    m_clipLimit = limit.intersected(QRectF(-32768, -32768, 65536, 65536));
}

void MetafileCanvas::countPoints(uint64_t n) {
    m_points += n;
    if (m_points > metafile_limits::kMaxPointsPerPicture)
        throw Error("The metafile is too complex: it holds more than " +
                    std::to_string(metafile_limits::kMaxPointsPerPicture) + " points");
}

void MetafileCanvas::spendUnits(double units) {
    const double room = double(m_workBudget) - double(m_work);
    if (!(units <= room)) // NaN too
        throw Error(std::string(metafile_limits::kWorkCutShort) + ": it paints more than " +
                    std::to_string(m_workBudget) + " pixels, and its drawing was cut short");
    m_work += static_cast<uint64_t>(units);
}

void MetafileCanvas::spend(const QRectF& box, bool stroke, bool fill) {
    const QTransform& t = m_painter->transform();
    QRectF d = t.mapRect(box.normalized());
    double pen = 1;
    if (stroke && !m_state.pen.null && !m_state.pen.cosmetic)
        pen = std::max(1.0, m_state.pen.width * std::max(std::hypot(t.m11(), t.m12()),
                                                         std::hypot(t.m21(), t.m22())));
    if (!std::isfinite(pen))
        pen = m_clipLimit.width() + m_clipLimit.height();
    d.adjust(-pen, -pen, pen, pen);
    QRectF limit = m_clipLimit;
    if (m_state.clip)
        limit = limit.intersected(QRectF(m_state.clip->boundingRect()));
    // A box that is not finite may touch anything the limit allows.
    const bool finiteBox = std::isfinite(d.left()) && std::isfinite(d.top()) &&
                           std::isfinite(d.width()) && std::isfinite(d.height());
    d = finiteBox ? d.intersected(limit) : limit;
    double area = d.isValid() ? d.width() * d.height() : 0;
    if (!fill) // an outline paints a band along the box's edges
        area = std::min(area, 2 * (d.width() + d.height()) * pen);
    spendUnits(double(metafile_limits::kDrawUnits) + std::max(0.0, area) * m_pixelCost);
}

QTransform MetafileCanvas::logicalToDevice() const {
    return m_state.world * pageTransform();
}

void MetafileCanvas::saveDc() {
    if (m_saved.size() >= kMaxSavedStates)
        throw Error("The metafile is damaged: it saves its drawing state too deeply");
    m_saved.push_back(m_state);
}

void MetafileCanvas::restoreDc(int which) {
    // Negative: relative to the current level; positive: an absolute level from 1.
    const long level = which < 0 ? static_cast<long>(m_saved.size()) + which : which - 1;
    if (which == 0 || level < 0 || level >= static_cast<long>(m_saved.size()))
        return; // the platform refuses such a restore and so do we
    m_state = m_saved[static_cast<size_t>(level)];
    m_saved.resize(static_cast<size_t>(level));
    m_clipDirty = true;
}

QPen MetafileCanvas::qtPen() const {
    const GdiPen& p = m_state.pen;
    if (p.null)
        return QPen(Qt::NoPen);
    QPen pen(p.colour);
    if (p.cosmetic || p.width <= 0) {
        pen.setWidth(0);
        pen.setCapStyle(Qt::FlatCap);
    } else {
        pen.setWidthF(std::min(p.width, 32767.0)); // the widest pen the painter takes
        pen.setCapStyle(p.cap);
    }
    pen.setJoinStyle(p.join);
    pen.setStyle(p.style);
    if (p.style == Qt::CustomDashLine && !p.dashes.isEmpty()) {
        const double w = p.width > 0 ? p.width : 1;
        QVector<qreal> dashes;
        for (qreal d : p.dashes)
            dashes.append(std::max(d / w, 0.1));
        if (dashes.size() % 2)
            dashes.append(dashes.last());
        pen.setDashPattern(dashes);
    }
    return pen;
}

QBrush MetafileCanvas::qtBrush(const GdiBrush& b) const {
    if (b.null)
        return QBrush(Qt::NoBrush);
    if (b.style == Qt::TexturePattern && !b.pattern.isNull())
        return QBrush(b.pattern);
    return QBrush(b.colour, b.style);
}

void MetafileCanvas::applyClip() {
    if (!m_clipDirty)
        return;
    m_painter->setTransform(m_initialTransform);
    if (m_hadClip) {
        m_painter->setClipPath(m_initialClip);
    } else {
        // Dropped, not switched off with setClipping(false): a clip of several rectangles set
        // after that stays switched off too, and everything after it is drawn unclipped.
        m_painter->setClipRegion(QRegion(), Qt::NoClip);
    }
    if (m_state.clip) {
        m_painter->resetTransform();
        m_painter->setClipRegion(*m_state.clip, m_hadClip ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    m_clipDirty = false;
}

void MetafileCanvas::prepare(bool usePen, bool useBrush) {
    applyClip();
    const QTransform t = logicalToDevice() * m_base;
    m_painter->setTransform(finite(t) ? t : m_base);
    m_painter->setPen(usePen ? qtPen() : QPen(Qt::NoPen));
    m_painter->setBrush(useBrush ? qtBrush(m_state.brush) : QBrush(Qt::NoBrush));
    // The background colour shows only between hatch lines; the painter draws plain fills
    // differently in opaque mode, so it is set only where it matters.
    const Qt::BrushStyle bs = m_state.brush.style;
    const bool hatched = useBrush && bs >= Qt::HorPattern && bs <= Qt::DiagCrossPattern;
    m_painter->setBackgroundMode(hatched && m_state.bkMode == 2 ? Qt::OpaqueMode
                                                                : Qt::TransparentMode);
    m_painter->setBackground(m_state.bkColour);
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (m_painter->paintEngine() &&
        m_painter->paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
        switch (m_state.rop2) {
        case 6: // R2_NOT
            mode = QPainter::RasterOp_NotDestination;
            break;
        case 7: // R2_XORPEN
            mode = QPainter::RasterOp_SourceXorDestination;
            break;
        case 9: // R2_MASKPEN
            mode = QPainter::RasterOp_SourceAndDestination;
            break;
        case 15: // R2_MERGEPEN
            mode = QPainter::RasterOp_SourceOrDestination;
            break;
        default:
            break;
        }
    }
    m_painter->setCompositionMode(mode);
}

void MetafileCanvas::drawShape(const QPainterPath& path, bool fill, bool stroke) {
    if (!m_painter || m_state.rop2 == 11) // R2_NOP
        return;
    prepare(stroke, fill);
    spend(path.controlPointRect(), stroke, fill);
    m_painter->drawPath(path);
}

// GDI leaves out the right and bottom device pixel of a box; Qt's rectangle of the same
// corners would include them.
static QRectF qtBox(const QRectF& box, const QTransform& toDevice) {
    QRectF r = box.normalized();
    const double sx = std::fabs(toDevice.m11()), sy = std::fabs(toDevice.m22());
    if (toDevice.type() <= QTransform::TxScale && sx > 0 && sy > 0)
        r.adjust(0, 0, -1 / sx, -1 / sy);
    return r;
}

void MetafileCanvas::lineTo(QPointF p) {
    if (collecting()) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(m_state.position);
        m_path.lineTo(p);
    } else if (m_painter) {
        prepare(true, false);
        spend(QRectF(m_state.position, p), true, false);
        m_painter->drawLine(QLineF(m_state.position, p));
    }
    m_state.position = p;
}

void MetafileCanvas::rectangle(const QRectF& box) {
    const QRectF r = qtBox(box, logicalToDevice());
    if (collecting()) {
        m_path.addRect(r);
    } else if (m_painter) {
        prepare(true, true);
        spend(r, true, true);
        m_painter->drawRect(r);
    }
}

void MetafileCanvas::roundRect(const QRectF& box, QSizeF corner) {
    const QRectF r = qtBox(box, logicalToDevice());
    const double rx = std::min(std::fabs(corner.width()) / 2, r.width() / 2);
    const double ry = std::min(std::fabs(corner.height()) / 2, r.height() / 2);
    if (collecting()) {
        m_path.addRoundedRect(r, rx, ry);
    } else if (m_painter) {
        prepare(true, true);
        spend(r, true, true);
        m_painter->drawRoundedRect(r, rx, ry);
    }
}

void MetafileCanvas::ellipse(const QRectF& box) {
    const QRectF r = qtBox(box, logicalToDevice());
    if (collecting()) {
        m_path.addEllipse(r);
    } else if (m_painter) {
        prepare(true, true);
        spend(r, true, true);
        // Whole-pixel boxes take the painter's integer ellipse, as a caller drawing the
        // same QRect directly would.
        const bool small = std::fabs(r.left()) < kTextLimit && std::fabs(r.top()) < kTextLimit &&
                           r.width() < kTextLimit && r.height() < kTextLimit;
        const QRect whole = small ? r.toRect() : QRect();
        if (small && QRectF(whole) == r)
            m_painter->drawEllipse(whole);
        else
            m_painter->drawEllipse(r);
    }
}

void MetafileCanvas::arc(const QRectF& boxIn, QPointF start, QPointF end, ArcKind kind) {
    const QRectF box = boxIn.normalized();
    const double a0 = arcAngle(box, start), a1 = arcAngle(box, end);
    double sweep;
    if (m_state.arcClockwise) {
        sweep = std::fmod(a0 - a1 + 720.0, 360.0);
        sweep = -(sweep == 0 ? 360.0 : sweep);
    } else {
        sweep = std::fmod(a1 - a0 + 720.0, 360.0);
        sweep = sweep == 0 ? 360.0 : sweep;
    }
    QPainterPath shape;
    if (kind == ArcKind::Pie) {
        shape.moveTo(box.center());
        shape.arcTo(box, a0, sweep);
        shape.closeSubpath();
    } else {
        shape.arcMoveTo(box, a0);
        if (kind == ArcKind::ArcTo) {
            const QPointF arcStart = shape.currentPosition();
            shape = QPainterPath(m_state.position);
            shape.lineTo(arcStart);
        }
        shape.arcTo(box, a0, sweep);
        if (kind == ArcKind::Chord)
            shape.closeSubpath();
    }
    if (kind == ArcKind::ArcTo)
        m_state.position = shape.currentPosition();
    if (collecting()) {
        m_path.addPath(shape);
        return;
    }
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    drawShape(shape, closed, true);
}

void MetafileCanvas::polygon(const QPolygonF& points) {
    if (points.isEmpty())
        return;
    if (collecting()) {
        m_path.addPolygon(points);
        m_path.closeSubpath();
    } else if (m_painter) {
        prepare(true, true);
        spend(points.boundingRect(), true, true);
        m_painter->drawPolygon(points,
                               m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    }
}

void MetafileCanvas::polyline(const QPolygonF& points) {
    if (points.isEmpty())
        return;
    if (collecting()) {
        m_path.moveTo(points.first());
        for (int i = 1; i < points.size(); ++i)
            m_path.lineTo(points[i]);
    } else if (m_painter) {
        prepare(true, false);
        spend(points.boundingRect(), true, false);
        m_painter->drawPolyline(points);
    }
}

void MetafileCanvas::polylineTo(const QPolygonF& points) {
    for (const QPointF& p : points)
        lineTo(p);
}

void MetafileCanvas::polyBezier(const QPolygonF& points, bool fromCurrent) {
    QPainterPath shape;
    int i = 0;
    if (fromCurrent) {
        shape.moveTo(m_state.position);
    } else {
        if (points.isEmpty())
            return;
        shape.moveTo(points[0]);
        i = 1;
    }
    for (; i + 2 < points.size(); i += 3)
        shape.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (fromCurrent)
        m_state.position = shape.currentPosition();
    if (collecting()) {
        if (fromCurrent && m_path.elementCount() > 0)
            m_path.connectPath(shape);
        else
            m_path.addPath(shape);
        return;
    }
    drawShape(shape, false, true);
}

void MetafileCanvas::polyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath shape;
    shape.setFillRule(m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    for (const QPolygonF& p : polygons) {
        if (p.isEmpty())
            continue;
        shape.addPolygon(p);
        shape.closeSubpath();
    }
    if (collecting()) {
        m_path.addPath(shape);
        return;
    }
    drawShape(shape, true, true);
}

void MetafileCanvas::setPixel(QPointF p, QColor c) {
    if (!m_painter)
        return;
    prepare(false, false);
    spendUnits(double(metafile_limits::kDrawUnits));
    const QPointF d = logicalToDevice().map(p);
    m_painter->setTransform(m_base);
    m_painter->fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), c);
}

void MetafileCanvas::fillRegion(const QRegion& logical, const GdiBrush& brush) {
    if (!m_painter)
        return;
    prepare(false, false);
    QPainterPath shape;
    shape.addRegion(logical);
    spend(QRectF(logical.boundingRect()), false, true);
    m_painter->setBrush(qtBrush(brush));
    m_painter->drawPath(shape);
}

void MetafileCanvas::patBlt(const QRectF& rect, uint32_t rop) {
    if (!m_painter)
        return;
    prepare(false, false);
    const QRectF r = rect.normalized();
    spend(r, false, true);
    const bool rasterOps = m_painter->paintEngine() &&
                           m_painter->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    switch (rop) {
    case BLACKNESS:
        m_painter->fillRect(r, Qt::black);
        break;
    case WHITENESS:
        m_painter->fillRect(r, Qt::white);
        break;
    case DSTINVERT:
        if (rasterOps) {
            m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
            m_painter->fillRect(r, Qt::black);
        }
        break;
    case PATINVERT:
        if (rasterOps)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter->fillRect(r, qtBrush(m_state.brush));
        break;
    case PATCOPY:
    default:
        m_painter->fillRect(r, qtBrush(m_state.brush));
        break;
    }
}

void MetafileCanvas::text(QPointF reference, const QString& str, const std::vector<double>& dx,
                          uint32_t options, const QRectF& rect) {
    const bool updateCp = m_state.textAlign & TA_UPDATECP;
    const QPointF ref = updateCp ? m_state.position : reference;
    const QTransform toDevice = logicalToDevice();
    const double sx = std::hypot(toDevice.m11(), toDevice.m12());
    const double sy = std::hypot(toDevice.m21(), toDevice.m22());
    double logicalWidth = 0;
    for (double d : dx)
        logicalWidth += d;
    if (!m_painter) {
        if (updateCp)
            m_state.position = ref + QPointF(logicalWidth, 0);
        return;
    }
    prepare(false, false);
    const QPointF at = toDevice.map(ref);
    // The painter places glyphs in fixed point; text far off any device is not drawn.
    const QPointF onDevice = m_base.map(at);
    if (!(std::fabs(onDevice.x()) < kTextLimit && std::fabs(onDevice.y()) < kTextLimit) ||
        !(std::fabs(logicalWidth * sx) < kTextLimit))
        return;
    const GdiFont& gf = m_state.font;
    QFont font(gf.face);
    double em = std::fabs(gf.height) * sy;
    if (gf.height == 0)
        em = 16 * sy;
    font.setPixelSize(std::clamp(static_cast<int>(std::lround(em)), 1, kMaxFontPixels));
    if (gf.height > 0) { // a cell height: take the internal leading off
        const QFontMetricsF m(font);
        const double cell = m.ascent() + m.descent();
        if (cell > 0)
            font.setPixelSize(
                std::clamp(static_cast<int>(std::lround(em * em / cell)), 1, kMaxFontPixels));
    }
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp(gf.weight == 0 ? 400 : gf.weight, 1, 1000)));
    font.setItalic(gf.italic);
    font.setUnderline(gf.underline);
    font.setStrikeOut(gf.strikeOut);
    const QFontMetricsF fm(font);
    const double natural = fm.horizontalAdvance(str);
    const double given = logicalWidth * sx;
    // Advances that agree with the font's own are drawn as one run, keeping the shaping;
    // others place each character where the metafile says.
    const bool perChar = !dx.empty() && std::fabs(given - natural) > 1.0 + 0.02 * natural;
    const double width = dx.empty() ? natural : given;

    m_painter->setTransform(m_base);
    {
        // The run's cell, and the opaque rectangle, on the device.
        QRectF cell(at, QSizeF(std::max(width, 1.0), fm.ascent() + fm.descent()));
        cell.adjust(-width, -cell.height(), 0, 0); // any alignment
        cell.setSize(cell.size() * 2);
        spend(cell, false, true);
        if (options & ETO_OPAQUE && rect.isValid())
            spend(toDevice.mapRect(rect), false, true);
    }
    if (options & ETO_OPAQUE && rect.isValid())
        m_painter->fillRect(toDevice.mapRect(rect), m_state.bkColour);
    if (options & ETO_CLIPPED && rect.isValid())
        m_painter->setClipRect(toDevice.mapRect(rect), Qt::IntersectClip);
    m_painter->translate(at);
    if (gf.escapement != 0)
        m_painter->rotate(-(gf.escapement / 10.0));
    double x = 0, y = 0;
    const int h = m_state.textAlign & TA_CENTER;
    if (h == TA_CENTER)
        x = -width / 2;
    else if (h == TA_RIGHT)
        x = -width;
    const int v = m_state.textAlign & TA_BASELINE;
    if (v == 0)
        y = fm.ascent();
    else if (v == TA_BOTTOM)
        y = -fm.descent();
    m_painter->setFont(font);
    if (m_state.bkMode == 2)
        m_painter->fillRect(QRectF(x, y - fm.ascent(), width, fm.ascent() + fm.descent()),
                            m_state.bkColour);
    m_painter->setPen(m_state.textColour);
    m_painter->setBackgroundMode(Qt::TransparentMode);
    const bool outlines = squeezedGlyphs(m_painter->transform(), font.pixelSize());
    auto draw = [&](const QPointF& origin, const QString& run) {
        if (!outlines) {
            m_painter->drawText(origin, run);
            return;
        }
        QPainterPath path;
        path.addText(origin, font, run);
        m_painter->fillPath(path, m_state.textColour);
    };
    if (!perChar) {
        draw(QPointF(x, y), str);
    } else {
        double cx = x;
        for (int i = 0; i < str.size() && std::fabs(cx) < kTextLimit; ++i) {
            draw(QPointF(cx, y), QString(str[i]));
            cx += (static_cast<size_t>(i) < dx.size() ? dx[static_cast<size_t>(i)] : 0) * sx;
        }
    }
    if (options & ETO_CLIPPED)
        m_clipDirty = true;
    if (updateCp)
        m_state.position = ref + QPointF(width / (sx > 0 ? sx : 1), 0);
}

void MetafileCanvas::image(const QRectF& dest, const QImage& img, const QRectF& src, uint32_t rop) {
    if (!m_painter || img.isNull())
        return;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT ||
        rop == PATINVERT) {
        patBlt(dest, rop);
        return;
    }
    prepare(false, false);
    // The destination's pixels, and the source's that a stretch reads.
    spend(dest, false, true);
    spendUnits(std::min(double(img.width()) * img.height(), std::fabs(src.width() * src.height())));
    QImage picture = img;
    if (dest.width() < 0 || dest.height() < 0)
        picture = picture.mirrored(dest.width() < 0, dest.height() < 0);
    QRectF source = src;
    if (dest.width() < 0)
        source.moveLeft(img.width() - src.right());
    if (dest.height() < 0)
        source.moveTop(img.height() - src.bottom());
    const bool rasterOps = m_painter->paintEngine() &&
                           m_painter->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    if (rasterOps) {
        if (rop == SRCAND)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        else if (rop == SRCPAINT)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        else if (rop == SRCINVERT)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    }
    if (rop == NOTSRCCOPY)
        picture.invertPixels();
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, m_state.stretchMode == 4);
    m_painter->drawImage(dest.normalized(), picture, source);
    (void)SRCCOPY;
}

void MetafileCanvas::beginPath() {
    m_path = QPainterPath();
    m_pathOpen = true;
}

void MetafileCanvas::abortPath() {
    m_path = QPainterPath();
    m_pathOpen = false;
}

void MetafileCanvas::closeFigure() {
    if (m_pathOpen)
        m_path.closeSubpath();
}

void MetafileCanvas::fillPath() {
    m_path.setFillRule(m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    drawShape(m_path, true, false);
    abortPath();
}

void MetafileCanvas::strokePath() {
    drawShape(m_path, false, true);
    abortPath();
}

void MetafileCanvas::strokeAndFillPath() {
    m_path.setFillRule(m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    drawShape(m_path, true, true);
    abortPath();
}

void MetafileCanvas::selectClipPath(int mode) {
    if (!m_painter) { // checking only: the clip does not change what is valid
        abortPath();
        return;
    }
    // Scan conversion costs grow with the region's height, so the region is made in the
    // painter's device pixels and only over where the picture lands (and a margin): the
    // file's own frame, however large, does not count.
    QPainterPath target = logicalToTarget().map(m_path);
    target.setFillRule(m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    QPainterPath limit;
    limit.addRect(m_clipLimit);
    const QPolygonF cut = target.intersected(limit).toFillPolygon();
    QPolygon polygon;
    polygon.reserve(cut.size());
    for (const QPointF& p : cut)
        polygon.append(QPoint(regionCoordinate(p.x()), regionCoordinate(p.y())));
    combineClip(QRegion(polygon, target.fillRule()), mode);
    abortPath();
}

void MetafileCanvas::combineClip(const QRegion& region, int mode) {
    std::optional<QRegion>& clip = m_state.clip;
    switch (mode) {
    case RGN_AND:
        clip = clip ? clip->intersected(region) : region;
        break;
    case RGN_OR:
        if (clip)
            clip = clip->united(region);
        break;
    case RGN_XOR:
        clip = (clip ? *clip : everything()).xored(region);
        break;
    case RGN_DIFF:
        clip = (clip ? *clip : everything()).subtracted(region);
        break;
    case RGN_COPY:
        clip = region;
        break;
    default:
        return;
    }
    m_clipDirty = true;
}

void MetafileCanvas::selectClipRegion(const std::optional<QRegion>& deviceRegion, int mode) {
    if (!deviceRegion) {
        if (mode == RGN_COPY) {
            m_state.clip.reset();
            m_clipDirty = true;
        }
        return;
    }
    if (!m_painter) {
        combineClip(*deviceRegion, mode);
        return;
    }
    // Into the painter's device pixels, cut to the part that can clip anything.
    combineClip(m_base.map(*deviceRegion) & m_clipLimit.toAlignedRect(), mode);
}

QRegion MetafileCanvas::toTargetRegion(const QRectF& box) const {
    const QPolygonF p = logicalToTarget().map(QPolygonF(box.normalized()));
    const QRectF r = p.boundingRect();
    return QRegion(
        QRect(QPoint(regionCoordinate(r.left()), regionCoordinate(r.top())),
              QPoint(regionCoordinate(r.right()) - 1, regionCoordinate(r.bottom()) - 1)));
}

void MetafileCanvas::intersectClipRect(const QRectF& box) {
    combineClip(toTargetRegion(box), RGN_AND);
}

void MetafileCanvas::excludeClipRect(const QRectF& box) {
    combineClip(toTargetRegion(box), RGN_DIFF);
}

void MetafileCanvas::offsetClip(QPointF logicalOffset) {
    if (!m_state.clip)
        return;
    const QTransform t = logicalToTarget();
    const QPointF d = t.map(logicalOffset) - t.map(QPointF(0, 0));
    m_state.clip->translate(regionCoordinate(d.x()), regionCoordinate(d.y()));
    *m_state.clip &= everything();
    m_clipDirty = true;
}

} // namespace qlx
