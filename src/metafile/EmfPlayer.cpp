#include "metafile/EmfPlayer.h"

#include "metafile/BitmapCache.h"
#include "metafile/ColorRef.h"
#include "metafile/EmfRecords.h"
#include "metafile/MetafileDib.h"
#include "metafile/MetafileGdi.h"
#include "metafile/MetafileLimits.h"
#include "stores/Windows1252.h"

#include <algorithm>
#include <cmath>

namespace qlx {

namespace {

[[noreturn]] void bad(uint32_t type, const std::string& what) {
    throw Error("The enhanced metafile is damaged: record type " + std::to_string(type) + " " +
                what);
}

// A record of `type` must hold at least n bytes.
void need(uint32_t type, const ByteView& v, size_t n) {
    if (v.size() < n)
        bad(type, "is too short");
}

QPointF pointL(const ByteView& v, size_t at) {
    return QPointF(v.i32(at), v.i32(at + 4));
}

QRectF boxL(const ByteView& v, size_t at) {
    return QRectF(pointL(v, at), pointL(v, at + 8));
}

// Reads count points of 8 (POINTL) or 4 (POINTS) bytes at offset at.
QPolygonF points(const ByteView& v, size_t at, uint64_t count, bool small, uint32_t type) {
    const uint64_t each = small ? 4 : 8;
    if (count > metafile_limits::kMaxPointsPerRecord)
        bad(type,
            "holds more than " + std::to_string(metafile_limits::kMaxPointsPerRecord) + " points");
    if (count > v.size() / each || !v.fits(at, static_cast<size_t>(count * each)))
        bad(type, "holds more points than it has room for");
    QPolygonF poly;
    poly.reserve(static_cast<int>(count));
    for (uint64_t i = 0; i < count; ++i) {
        const size_t p = at + static_cast<size_t>(i * each);
        poly.append(small ? QPointF(v.i16(p), v.i16(p + 2)) : pointL(v, p));
    }
    return poly;
}

std::vector<QPolygonF> polyPoints(const ByteView& v, bool small, uint32_t type) {
    // rclBounds, nPolys, cptl, aPolyCounts[nPolys], points
    const uint32_t nPolys = v.u32(24), total = v.u32(28);
    if (nPolys > metafile_limits::kMaxPointsPerRecord)
        bad(type, "holds more than " + std::to_string(metafile_limits::kMaxPointsPerRecord) +
                      " polygons");
    if (nPolys > v.size() / 4 || !v.fits(32, static_cast<size_t>(nPolys) * 4))
        bad(type, "holds more polygons than it has room for");
    const QPolygonF all = points(v, 32 + static_cast<size_t>(nPolys) * 4, total, small, type);
    std::vector<QPolygonF> polys;
    uint64_t used = 0;
    for (uint32_t i = 0; i < nPolys; ++i) {
        const uint32_t n = v.u32(32 + 4 * static_cast<size_t>(i));
        if (n > total - used)
            bad(type, "has polygon counts that exceed its points");
        polys.push_back(all.mid(static_cast<int>(used), static_cast<int>(n)));
        used += n;
    }
    return polys;
}

// Reads an RGNDATA structure of size bytes at offset at: rectangles in device pixels.
QRegion regionData(const ByteView& v, size_t at, uint32_t size, uint32_t type) {
    if (!v.fits(at, size) || size < 32)
        bad(type, "has region data outside the record");
    const uint32_t count = v.u32(at + 8);
    if (count > (size - 32) / 16)
        bad(type, "has more region rectangles than it holds");
    QRegion region;
    QVector<QRect> rects;
    rects.reserve(static_cast<int>(count));
    for (uint32_t i = 0; i < count; ++i) {
        const QRectF r = boxL(v, at + 32 + 16 * static_cast<size_t>(i));
        if (r.width() > 0 && r.height() > 0)
            rects.append(
                QRect(QPoint(static_cast<int>(r.left()), static_cast<int>(r.top())),
                      QPoint(static_cast<int>(r.right()) - 1, static_cast<int>(r.bottom()) - 1)));
    }
    region.setRects(rects.constData(), static_cast<int>(rects.size()));
    return region;
}

} // namespace

QRectF EmfPlayer::deviceFrame(const EmfHeader& h) {
    const QRectF bounds(QPointF(h.bounds.left(), h.bounds.top()),
                        QPointF(h.bounds.right() + 1.0, h.bounds.bottom() + 1.0));
    double pxPerMmX = double(h.devicePixels.width()) / h.deviceMillimetres.width();
    double pxPerMmY = double(h.devicePixels.height()) / h.deviceMillimetres.height();
    if (!h.deviceMicrometres.isEmpty()) {
        pxPerMmX = h.devicePixels.width() * 1000.0 / h.deviceMicrometres.width();
        pxPerMmY = h.devicePixels.height() * 1000.0 / h.deviceMicrometres.height();
    }
    const QRectF frame(
        QPointF(h.frame.left() * pxPerMmX / 100, h.frame.top() * pxPerMmY / 100),
        QPointF(h.frame.right() * pxPerMmX / 100, h.frame.bottom() * pxPerMmY / 100));
    if (frame.width() <= 0 || frame.height() <= 0)
        return bounds;
    // The frame is stored in 0.01 mm and rarely converts to whole pixels; bounds that agree
    // with it to within a pixel are the exact picture.
    const auto near = [](double a, double b) {
        return std::fabs(a - b) < 1.0;
    };
    if (bounds.width() > 0 && bounds.height() > 0 && near(frame.left(), bounds.left()) &&
        near(frame.top(), bounds.top()) && near(frame.right(), bounds.right()) &&
        near(frame.bottom(), bounds.bottom()))
        return bounds;
    return frame;
}

EmfPlayer::EmfPlayer(const EmfHeader& header, QPainter* painter, const QTransform& base,
                     uint64_t cacheOwner)
    : m_header(header)
    , m_canvas(painter, base)
    , m_objects(header.handles)
    , m_cacheOwner(cacheOwner) {
    const double pxX = double(header.devicePixels.width()) / header.deviceMillimetres.width();
    const double pxY = double(header.devicePixels.height()) / header.deviceMillimetres.height();
    m_canvas.state().pxPerMm = QPointF(pxX, pxY);
    m_canvas.setDeviceBounds(deviceFrame(header));
}

EmfPlayer::~EmfPlayer() = default;

std::string EmfPlayer::play(const unsigned char* data, size_t size, QPainter* painter,
                            const QRectF& target, uint64_t cacheOwner, uint64_t workBudget) {
    const EmfHeader header = EmfReader::readHeader(data, size);
    // readRecords stops at metafile_limits::kMaxRecords.
    const std::vector<EmfRecord> records = EmfReader::readRecords(data, size, header);
    QTransform base;
    if (painter) {
        const QRectF frame = deviceFrame(header);
        base = QTransform::fromTranslate(-frame.left(), -frame.top()) *
               QTransform::fromScale(target.width() / frame.width(),
                                     target.height() / frame.height()) *
               QTransform::fromTranslate(target.left(), target.top()) * painter->transform();
    }
    EmfPlayer player(header, painter, base, cacheOwner);
    player.m_canvas.setWorkBudget(workBudget);
    player.m_data = data;
    for (size_t i = 1; i < records.size(); ++i)
        player.record(records[i]);
    return player.m_canvas.problem();
}

EmfPlayer::Object& EmfPlayer::slot(uint32_t handle) {
    if (handle == 0 || handle >= m_objects.size())
        throw Error("The enhanced metafile is damaged: it uses object handle " +
                    std::to_string(handle) + " outside its handle table");
    return m_objects[handle];
}

void EmfPlayer::selectObject(uint32_t handle) {
    MetafileCanvas::State& s = m_canvas.state();
    if (handle & emr::kStockFlag) {
        const uint32_t stock = handle & ~emr::kStockFlag;
        if (stock <= emr::NULL_BRUSH || stock == emr::DC_BRUSH)
            s.brush = gdi::stockBrush(stock);
        else if (stock <= emr::NULL_PEN || stock == emr::DC_PEN)
            s.pen = gdi::stockPen(stock);
        else if (stock == emr::DEFAULT_PALETTE)
            m_palette.clear();
        else if (stock >= emr::OEM_FIXED_FONT && stock <= emr::DEFAULT_GUI_FONT)
            s.font = GdiFont();
        return;
    }
    gdi::select(slot(handle), s, m_palette);
}

void EmfPlayer::record(const EmfRecord& r) {
    const ByteView& v = r.data;
    switch (r.type) {
    case emr::EOF_:
    case emr::COMMENT:
    case emr::SETMAPPERFLAGS:
    case emr::SETCOLORADJUSTMENT:
    case emr::SETMETARGN:
    case emr::SETICMMODE:
    case emr::SETMITERLIMIT:
    case emr::REALIZEPALETTE:
    case emr::SETLAYOUT:
    case emr::FLATTENPATH:
    case emr::WIDENPATH:
        return;
    case emr::CREATEPEN:
    case emr::EXTCREATEPEN:
    case emr::CREATEBRUSHINDIRECT:
    case emr::CREATEMONOBRUSH:
    case emr::CREATEDIBPATTERNBRUSHPT:
    case emr::EXTCREATEFONTINDIRECTW:
    case emr::CREATEPALETTE:
        objectRecord(r.type, v);
        return;
    case emr::BITBLT:
    case emr::STRETCHBLT:
    case emr::STRETCHDIBITS:
    case emr::SETDIBITSTODEVICE:
        bitmapRecord(r.type, v);
        return;
    case emr::EXTTEXTOUTA:
    case emr::EXTTEXTOUTW:
        textRecord(r.type, v);
        return;
    default:
        if (!coordinateRecord(r.type, v) && !stateRecord(r.type, v) &&
            !pathAndClipRecord(r.type, v))
            drawRecord(r.type, v);
        return;
    }
}

// Window, viewport and world coordinates, the current position and the clip's offset.
bool EmfPlayer::coordinateRecord(uint32_t type, const ByteView& v) {
    MetafileCanvas::State& s = m_canvas.state();
    switch (type) {
    case emr::SETWINDOWEXTEX:
    case emr::SETWINDOWORGEX:
    case emr::SETVIEWPORTEXTEX:
    case emr::SETVIEWPORTORGEX:
    case emr::MOVETOEX:
    case emr::SETBRUSHORGEX:
    case emr::OFFSETCLIPRGN: {
        need(type, v, 16);
        const QPointF p = pointL(v, 8);
        if (type == emr::SETWINDOWEXTEX)
            s.winExt = p;
        else if (type == emr::SETWINDOWORGEX)
            s.winOrg = p;
        else if (type == emr::SETVIEWPORTEXTEX)
            s.vpExt = p;
        else if (type == emr::SETVIEWPORTORGEX)
            s.vpOrg = p;
        else if (type == emr::MOVETOEX)
            m_canvas.moveTo(p);
        else if (type == emr::OFFSETCLIPRGN)
            m_canvas.offsetClip(p);
        return true;
    }
    case emr::SCALEVIEWPORTEXTEX:
    case emr::SCALEWINDOWEXTEX: {
        need(type, v, 24);
        const int32_t xn = v.i32(8), xd = v.i32(12), yn = v.i32(16), yd = v.i32(20);
        if (xd == 0 || yd == 0)
            return true;
        QPointF& e = type == emr::SCALEVIEWPORTEXTEX ? s.vpExt : s.winExt;
        e = QPointF(e.x() * xn / xd, e.y() * yn / yd);
        return true;
    }
    case emr::SETWORLDTRANSFORM:
    case emr::MODIFYWORLDTRANSFORM: {
        need(type, v, type == emr::SETWORLDTRANSFORM ? 32 : 36);
        const QTransform t(v.f32(8), v.f32(12), v.f32(16), v.f32(20), v.f32(24), v.f32(28));
        const uint32_t mode = type == emr::SETWORLDTRANSFORM ? 4 : v.u32(32);
        for (double m : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()}) {
            if (!std::isfinite(m) || std::fabs(m) > 1e9)
                return true; // the platform refuses a transform it cannot use
        }
        if (mode == 1)
            s.world = QTransform();
        else if (mode == 2)
            s.world = t * s.world;
        else if (mode == 3)
            s.world = s.world * t;
        else if (mode == 4)
            s.world = t;
        return true;
    }
    default:
        return false;
    }
}

// The drawing state's values, object selection and the saved states.
bool EmfPlayer::stateRecord(uint32_t type, const ByteView& v) {
    MetafileCanvas::State& s = m_canvas.state();
    switch (type) {
    case emr::SETMAPMODE:
    case emr::SETBKMODE:
    case emr::SETPOLYFILLMODE:
    case emr::SETROP2:
    case emr::SETSTRETCHBLTMODE:
    case emr::SETTEXTALIGN:
    case emr::SETTEXTCOLOR:
    case emr::SETBKCOLOR:
    case emr::SETARCDIRECTION:
    case emr::RESTOREDC:
    case emr::SELECTOBJECT:
    case emr::DELETEOBJECT:
    case emr::SELECTPALETTE:
    case emr::SELECTCLIPPATH: {
        need(type, v, 12);
        const uint32_t x = v.u32(8);
        switch (type) {
        case emr::SETMAPMODE:
            if (x >= 1 && x <= 8)
                s.mapMode = static_cast<int>(x);
            break;
        case emr::SETBKMODE:
            s.bkMode = static_cast<int>(x);
            break;
        case emr::SETPOLYFILLMODE:
            s.polyFillMode = static_cast<int>(x);
            break;
        case emr::SETROP2:
            s.rop2 = static_cast<int>(x);
            break;
        case emr::SETSTRETCHBLTMODE:
            s.stretchMode = static_cast<int>(x);
            break;
        case emr::SETTEXTALIGN:
            s.textAlign = static_cast<int>(x);
            break;
        case emr::SETTEXTCOLOR:
            s.textColour = fromColorRef(x);
            break;
        case emr::SETBKCOLOR:
            s.bkColour = fromColorRef(x);
            break;
        case emr::SETARCDIRECTION:
            s.arcClockwise = x == 2;
            break;
        case emr::RESTOREDC:
            m_canvas.restoreDc(static_cast<int32_t>(x));
            break;
        case emr::SELECTOBJECT:
        case emr::SELECTPALETTE:
            selectObject(x);
            break;
        case emr::DELETEOBJECT:
            if (!(x & emr::kStockFlag))
                slot(x) = Object();
            break;
        case emr::SELECTCLIPPATH:
            m_canvas.selectClipPath(static_cast<int>(x));
            break;
        }
        return true;
    }
    case emr::SAVEDC:
        m_canvas.saveDc();
        return true;
    default:
        return false;
    }
}

// Paths and the clip region.
bool EmfPlayer::pathAndClipRecord(uint32_t type, const ByteView& v) {
    switch (type) {
    case emr::BEGINPATH:
        m_canvas.beginPath();
        return true;
    case emr::ENDPATH:
        m_canvas.endPath();
        return true;
    case emr::ABORTPATH:
        m_canvas.abortPath();
        return true;
    case emr::CLOSEFIGURE:
        m_canvas.closeFigure();
        return true;
    case emr::FILLPATH:
        m_canvas.fillPath();
        return true;
    case emr::STROKEPATH:
        m_canvas.strokePath();
        return true;
    case emr::STROKEANDFILLPATH:
        m_canvas.strokeAndFillPath();
        return true;
    case emr::EXTSELECTCLIPRGN: {
        need(type, v, 16);
        const uint32_t cb = v.u32(8), mode = v.u32(12);
        if (cb == 0)
            m_canvas.selectClipRegion(std::nullopt, static_cast<int>(mode));
        else
            m_canvas.selectClipRegion(regionData(v, 16, cb, type), static_cast<int>(mode));
        return true;
    }
    case emr::INTERSECTCLIPRECT:
    case emr::EXCLUDECLIPRECT:
        need(type, v, 24);
        if (type == emr::INTERSECTCLIPRECT)
            m_canvas.intersectClipRect(boxL(v, 8));
        else
            m_canvas.excludeClipRect(boxL(v, 8));
        return true;
    default:
        return false;
    }
}

void EmfPlayer::objectRecord(uint32_t type, const ByteView& v) {
    if (v.size() < 12)
        bad(type, "is too short");
    Object o;
    switch (type) {
    case emr::CREATEPEN:
        if (v.size() < 28)
            bad(type, "is too short");
        o.kind = Object::Pen;
        o.pen = gdi::pen(v.u32(12), v.i32(16), fromColorRef(v.u32(24)), {});
        break;
    case emr::EXTCREATEPEN: {
        if (v.size() < 52)
            bad(type, "is too short");
        const uint32_t entries = v.u32(48);
        if (entries > v.size() / 4 || !v.fits(52, static_cast<size_t>(entries) * 4))
            bad(type, "has more style entries than it holds");
        QVector<qreal> dashes;
        for (uint32_t i = 0; i < std::min<uint32_t>(entries, 16); ++i)
            dashes.append(v.u32(52 + 4 * static_cast<size_t>(i)));
        o.kind = Object::Pen;
        o.pen =
            gdi::pen(v.u32(28), static_cast<int32_t>(v.u32(32)), fromColorRef(v.u32(40)), dashes);
        if (v.u32(36) == 1) // BS_NULL brush for the pen
            o.pen.null = true;
        break;
    }
    case emr::CREATEBRUSHINDIRECT:
        if (v.size() < 24)
            bad(type, "is too short");
        o.kind = Object::Brush;
        o.brush = gdi::brush(v.u32(12), fromColorRef(v.u32(16)), v.u32(20));
        break;
    case emr::CREATEMONOBRUSH:
    case emr::CREATEDIBPATTERNBRUSHPT: {
        if (v.size() < 32)
            bad(type, "is too short");
        const MetafileDib dib =
            MetafileDib::parse(v, v.u32(16), v.u32(20), v.u32(24), v.u32(28), v.u32(12));
        o.kind = Object::Brush;
        o.brush.style = Qt::TexturePattern;
        if (m_canvas.drawing() && dib.drawable())
            o.brush.pattern = gdi::patternImage(dib, m_palette, m_canvas);
        break;
    }
    case emr::EXTCREATEFONTINDIRECTW:
        if (v.size() < 12 + 92)
            bad(type, "is too short");
        o.kind = Object::Font;
        o.font = gdi::font(v.sub(12, 92, "a font"), true);
        break;
    case emr::CREATEPALETTE: {
        if (v.size() < 16)
            bad(type, "is too short");
        const uint32_t n = v.u16(14);
        if (!v.fits(16, static_cast<size_t>(n) * 4))
            bad(type, "has more palette entries than it holds");
        o.kind = Object::Palette;
        for (uint32_t i = 0; i < n; ++i) {
            const size_t at = 16 + 4 * static_cast<size_t>(i);
            o.palette.push_back(qRgb(v.u8(at), v.u8(at + 1), v.u8(at + 2)));
        }
        break;
    }
    }
    slot(v.u32(8)) = std::move(o);
}

void EmfPlayer::drawRecord(uint32_t type, const ByteView& v) {
    switch (type) {
    case emr::POLYBEZIER:
    case emr::POLYGON:
    case emr::POLYLINE:
    case emr::POLYBEZIERTO:
    case emr::POLYLINETO:
    case emr::POLYBEZIER16:
    case emr::POLYGON16:
    case emr::POLYLINE16:
    case emr::POLYBEZIERTO16:
    case emr::POLYLINETO16: {
        need(type, v, 28);
        const bool small = type >= emr::POLYBEZIER16;
        const QPolygonF p = points(v, 28, v.u32(24), small, type);
        m_canvas.countPoints(static_cast<uint64_t>(p.size()));
        const uint32_t base = small ? type - emr::POLYBEZIER16 + emr::POLYBEZIER : type;
        if (base == emr::POLYBEZIER)
            m_canvas.polyBezier(p, false);
        else if (base == emr::POLYGON)
            m_canvas.polygon(p);
        else if (base == emr::POLYLINE)
            m_canvas.polyline(p);
        else if (base == emr::POLYBEZIERTO)
            m_canvas.polyBezier(p, true);
        else
            m_canvas.polylineTo(p);
        return;
    }
    case emr::POLYPOLYLINE:
    case emr::POLYPOLYGON:
    case emr::POLYPOLYLINE16:
    case emr::POLYPOLYGON16: {
        need(type, v, 32);
        const bool small = type == emr::POLYPOLYLINE16 || type == emr::POLYPOLYGON16;
        const std::vector<QPolygonF> polys = polyPoints(v, small, type);
        for (const QPolygonF& p : polys)
            m_canvas.countPoints(static_cast<uint64_t>(p.size()) + 1);
        if (type == emr::POLYPOLYGON || type == emr::POLYPOLYGON16) {
            m_canvas.polyPolygon(polys);
        } else {
            for (const QPolygonF& p : polys)
                m_canvas.polyline(p);
        }
        return;
    }
    case emr::LINETO:
        need(type, v, 16);
        m_canvas.lineTo(pointL(v, 8));
        return;
    case emr::RECTANGLE:
        need(type, v, 24);
        m_canvas.rectangle(boxL(v, 8));
        return;
    case emr::ELLIPSE:
        need(type, v, 24);
        m_canvas.ellipse(boxL(v, 8));
        return;
    case emr::ROUNDRECT:
        need(type, v, 32);
        m_canvas.roundRect(boxL(v, 8), QSizeF(v.i32(24), v.i32(28)));
        return;
    case emr::ARC:
    case emr::ARCTO:
    case emr::CHORD:
    case emr::PIE: {
        need(type, v, 40);
        const auto kind = type == emr::ARC     ? MetafileCanvas::ArcKind::Arc
                          : type == emr::ARCTO ? MetafileCanvas::ArcKind::ArcTo
                          : type == emr::CHORD ? MetafileCanvas::ArcKind::Chord
                                               : MetafileCanvas::ArcKind::Pie;
        m_canvas.arc(boxL(v, 8), pointL(v, 24), pointL(v, 32), kind);
        return;
    }
    case emr::SETPIXELV:
        need(type, v, 20);
        m_canvas.setPixel(pointL(v, 8), fromColorRef(v.u32(16)));
        return;
    case emr::FILLRGN:
    case emr::PAINTRGN: {
        const size_t head = type == emr::FILLRGN ? 32 : 28;
        need(type, v, head);
        const uint32_t cb = v.u32(24);
        GdiBrush brush = m_canvas.state().brush;
        if (type == emr::FILLRGN) {
            const uint32_t h = v.u32(28);
            if (h & emr::kStockFlag) {
                brush = gdi::stockBrush(h & ~emr::kStockFlag);
            } else {
                const Object& o = slot(h);
                if (o.kind != Object::Brush)
                    return;
                brush = o.brush;
            }
        }
        m_canvas.fillRegion(regionData(v, head, cb, type), brush);
        return;
    }
    default:
        return; // a record this player does not draw
    }
}

void EmfPlayer::bitmapRecord(uint32_t type, const ByteView& v) {
    QRectF dest, src;
    uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0, usage = 0, rop = 0x00CC0020;
    if (type == emr::STRETCHDIBITS) {
        if (v.size() < 80)
            bad(type, "is too short");
        dest = QRectF(v.i32(24), v.i32(28), v.i32(72), v.i32(76));
        src = QRectF(v.i32(32), v.i32(36), v.i32(40), v.i32(44));
        offBmi = v.u32(48), cbBmi = v.u32(52), offBits = v.u32(56), cbBits = v.u32(60);
        usage = v.u32(64), rop = v.u32(68);
    } else if (type == emr::SETDIBITSTODEVICE) {
        if (v.size() < 76)
            bad(type, "is too short");
        src = QRectF(v.i32(32), v.i32(36), v.i32(40), v.i32(44));
        dest = QRectF(v.i32(24), v.i32(28), src.width(), src.height());
        offBmi = v.u32(48), cbBmi = v.u32(52), offBits = v.u32(56), cbBits = v.u32(60);
        usage = v.u32(64);
    } else { // BITBLT, STRETCHBLT
        if (v.size() < (type == emr::STRETCHBLT ? 108u : 100u))
            bad(type, "is too short");
        dest = QRectF(v.i32(24), v.i32(28), v.i32(32), v.i32(36));
        rop = v.u32(40);
        const QPointF s(v.i32(44), v.i32(48));
        usage = v.u32(80), offBmi = v.u32(84), cbBmi = v.u32(88), offBits = v.u32(92);
        cbBits = v.u32(96);
        src = QRectF(s, type == emr::STRETCHBLT ? QSizeF(v.i32(100), v.i32(104)) : dest.size());
        if (cbBmi == 0) { // no source bitmap: a pattern operation with the brush
            m_canvas.patBlt(dest, rop);
            return;
        }
    }
    const MetafileDib dib = MetafileDib::parse(v, offBmi, cbBmi, offBits, cbBits, usage);
    if (!m_canvas.drawing() || !dib.drawable())
        return;
    // Bitmaps with their own colours decode the same way every time; palette-indexed ones
    // depend on the palette selected when they are drawn.
    BitmapCache& cache = BitmapCache::instance();
    const bool cacheable = m_cacheOwner != 0 && usage == 0;
    const uint64_t key = static_cast<uint64_t>(v.data() + offBits - m_data);
    QImage image = cacheable ? cache.find(m_cacheOwner, key) : QImage();
    if (image.isNull()) {
        try {
            image = dib.toImage(m_palette);
        } catch (const Error& failure) {
            // One bitmap that cannot be decoded leaves a gap, not the rest of the page.
            m_canvas.noteProblem(failure.what());
            return;
        }
        if (cacheable)
            cache.insert(m_cacheOwner, key, image);
    }
    // A bottom-up bitmap counts its source rows from the bottom.
    if (type != emr::BITBLT && type != emr::STRETCHBLT && !dib.topDown())
        src.moveTop(image.height() - src.top() - src.height());
    m_canvas.image(dest, image, src, rop);
}

void EmfPlayer::textRecord(uint32_t type, const ByteView& v) {
    // rclBounds, iGraphicsMode, exScale, eyScale, then the EMRTEXT at 36.
    if (v.size() < 76)
        bad(type, "is too short");
    const QPointF ref = pointL(v, 36);
    const uint32_t n = v.u32(44), offString = v.u32(48), options = v.u32(52);
    const bool noRect = options & 0x100; // ETO_NO_RECT: the rectangle is left out
    const QRectF rect = noRect ? QRectF() : boxL(v, 56);
    const uint32_t offDx = v.u32(noRect ? 56 : 72);
    const size_t unit = type == emr::EXTTEXTOUTW ? 2 : 1;
    if (n > v.size() || !v.fits(offString, static_cast<size_t>(n) * unit))
        bad(type, "has its text outside the record");
    if (n > metafile_limits::kMaxPointsPerRecord)
        bad(type, "holds more than " + std::to_string(metafile_limits::kMaxPointsPerRecord) +
                      " characters");
    m_canvas.countPoints(n);
    QString text;
    text.reserve(static_cast<int>(n));
    for (uint32_t i = 0; i < n; ++i) {
        if (unit == 2)
            text.append(QChar(v.u16(offString + 2 * static_cast<size_t>(i))));
        else
            text.append(QChar(static_cast<char32_t>(cp1252::toUnicode(v.u8(offString + i)))));
    }
    std::vector<double> dx;
    if (offDx != 0 && n > 0) {
        const size_t stride = options & 0x2000 ? 8 : 4; // ETO_PDY: x and y advances
        if (!v.fits(offDx, static_cast<size_t>(n) * stride))
            bad(type, "has its spacing array outside the record");
        dx.reserve(n);
        for (uint32_t i = 0; i < n; ++i)
            dx.push_back(v.i32(offDx + stride * i));
    }
    m_canvas.text(ref, text, dx, options, rect);
}

} // namespace qlx
