#include "metafile/WmfPlayer.h"

#include "metafile/ColorRef.h"
#include "metafile/MetafileDib.h"
#include "metafile/MetafileGdi.h"
#include "metafile/MetafileLimits.h"
#include "stores/Windows1252.h"

#include <cmath>

namespace qlx {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

[[noreturn]] void damaged(const std::string& what) {
    throw Error("The Windows metafile is damaged: " + what);
}

[[noreturn]] void bad(uint16_t function, const std::string& what) {
    damaged("record function " + std::to_string(function) + " " + what);
}

// A record of `function` must hold at least this many 16-bit parameters.
void need(uint16_t function, const ByteView& p, size_t words) {
    if (p.size() < words * 2)
        bad(function, "is too short");
}

// The n-th 16-bit parameter, counted from 0.
int16_t s(const ByteView& p, size_t n) {
    return p.i16(2 * n);
}

// A box stored bottom, right, top, left from parameter n.
QRectF box(const ByteView& p, size_t n) {
    return QRectF(QPointF(s(p, n + 3), s(p, n + 2)), QPointF(s(p, n + 1), s(p, n)));
}

QPointF yx(const ByteView& p, size_t n) {
    return QPointF(s(p, n + 1), s(p, n));
}

QPolygonF points(const ByteView& p, size_t at, size_t count, uint16_t function) {
    if (count > metafile_limits::kMaxPointsPerRecord)
        bad(function,
            "holds more than " + std::to_string(metafile_limits::kMaxPointsPerRecord) + " points");
    if (!p.fits(at, count * 4))
        bad(function, "holds more points than it has room for");
    QPolygonF poly;
    poly.reserve(static_cast<int>(count));
    for (size_t i = 0; i < count; ++i)
        poly.append(QPointF(p.i16(at + 4 * i), p.i16(at + 4 * i + 2)));
    return poly;
}

} // namespace

bool WmfPlayer::looksLikeWmf(const unsigned char* data, size_t size) {
    const ByteView v(data, size);
    if (v.fits(0, 4) && v.u32(0) == kPlaceableKey)
        return true;
    return v.fits(0, 18) && (v.u16(0) == 1 || v.u16(0) == 2) && v.u16(2) == 9 &&
           (v.u16(4) == 0x0100 || v.u16(4) == 0x0300);
}

WmfPlayer::Layout WmfPlayer::layout(const ByteView& file) {
    Layout l;
    if (file.fits(0, 4) && file.u32(0) == kPlaceableKey) {
        if (!file.fits(0, 22))
            damaged("its placeable header is truncated");
        l.placeable = true;
        l.bbox = QRect(QPoint(file.i16(6), file.i16(8)), QPoint(file.i16(10), file.i16(12)))
                     .normalized();
        l.inch = file.u16(14);
        if (l.inch == 0)
            damaged("its placeable header gives no units per inch");
        l.headerAt = 22;
    }
    if (!file.fits(l.headerAt, 18))
        damaged("its header is truncated");
    const uint16_t type = file.u16(l.headerAt), headerWords = file.u16(l.headerAt + 2);
    if ((type != 1 && type != 2) || headerWords != 9)
        throw Error("The file is not a Windows metafile");
    const uint64_t words = file.u32(l.headerAt + 6);
    l.objects = file.u16(l.headerAt + 10);
    l.recordsAt = l.headerAt + 18;
    // The size in the header is often wrong in files from old writers; the file's own end
    // bounds the records in any case.
    const uint64_t end = l.headerAt + words * 2;
    l.end = words >= 9 && end <= file.size() ? static_cast<size_t>(end) : file.size();
    return l;
}

std::vector<ByteView> WmfPlayer::records(const ByteView& file, const Layout& l) {
    const ByteView body = file.sub(0, l.end, "the metafile");
    std::vector<ByteView> out;
    size_t at = l.recordsAt;
    while (true) {
        if (!body.fits(at, 6))
            damaged("it ends without an end-of-file record");
        const uint64_t bytes = uint64_t(body.u32(at)) * 2;
        if (bytes < 6 || !body.fits(at, static_cast<size_t>(bytes)))
            damaged("record " + std::to_string(out.size() + 1) + " has an invalid size");
        const ByteView rec = body.sub(at, static_cast<size_t>(bytes), "a record");
        out.push_back(rec);
        if (out.size() > metafile_limits::kMaxRecords)
            throw Error("The Windows metafile is too complex: it holds more than " +
                        std::to_string(metafile_limits::kMaxRecords) + " records");
        if (rec.u16(4) == 0)
            return out;
        at += static_cast<size_t>(bytes);
    }
}

WmfPlayer::Picture WmfPlayer::picture(const unsigned char* data, size_t size) {
    const ByteView file(data, size);
    const Layout l = layout(file);
    Picture p;
    if (l.placeable) {
        p.logical = l.bbox;
        p.pixels = QSize(static_cast<int>(std::lround(l.bbox.width() * 96.0 / l.inch)),
                         static_cast<int>(std::lround(l.bbox.height() * 96.0 / l.inch)));
    } else {
        QPoint org;
        QSize ext;
        for (const ByteView& r : records(file, l)) {
            const uint16_t f = r.u16(4);
            const ByteView params = r.sub(6, r.size() - 6, "parameters");
            if (f == 0x020B && params.size() >= 4 && org.isNull())
                org = QPoint(params.i16(2), params.i16(0));
            else if (f == 0x020C && params.size() >= 4 && ext.isEmpty())
                ext = QSize(std::abs(params.i16(2)), std::abs(params.i16(0)));
        }
        if (ext.isEmpty())
            damaged("it gives no picture size");
        p.logical = QRect(org, ext);
        p.pixels = ext;
    }
    if (p.logical.isEmpty() || p.pixels.isEmpty())
        damaged("its picture has no size");
    return p;
}

WmfPlayer::WmfPlayer(QPainter* painter, const QTransform& base, uint16_t objects)
    : m_canvas(painter, base)
    , m_objects(objects) {
    for (uint32_t i = 0; i < objects; ++i)
        m_freeSlots.push(static_cast<uint16_t>(i));
}

WmfPlayer::~WmfPlayer() = default;

std::string WmfPlayer::play(const unsigned char* data, size_t size, QPainter* painter,
                            const QRectF& target, uint64_t workBudget) {
    const ByteView file(data, size);
    const Layout l = layout(file);
    const Picture pic = picture(data, size);
    const std::vector<ByteView> recs = records(file, l);
    const QRectF logical(pic.logical);
    QTransform base;
    if (painter)
        base = QTransform::fromTranslate(-logical.left(), -logical.top()) *
               QTransform::fromScale(target.width() / logical.width(),
                                     target.height() / logical.height()) *
               QTransform::fromTranslate(target.left(), target.top()) * painter->transform();
    WmfPlayer player(painter, base, l.objects);
    player.m_canvas.setWorkBudget(workBudget);
    // The window set by the records maps onto the picture's own rectangle.
    player.m_canvas.setDeviceBounds(logical);
    MetafileCanvas::State& st = player.m_canvas.state();
    st.mapMode = MetafileCanvas::MM_ANISOTROPIC;
    st.winOrg = st.vpOrg = logical.topLeft();
    st.winExt = st.vpExt = QPointF(logical.width(), logical.height());
    for (const ByteView& r : recs)
        player.record(r.u16(4), r.sub(6, r.size() - 6, "parameters"));
    return player.m_canvas.problem();
}

void WmfPlayer::create(Object&& object) {
    if (m_freeSlots.empty())
        damaged("it creates more objects than its object table holds");
    m_objects[m_freeSlots.top()] = std::move(object);
    m_freeSlots.pop();
}

void WmfPlayer::remove(uint16_t index) {
    if (index >= m_objects.size())
        damaged("it deletes object " + std::to_string(index) + " outside its object table");
    if (m_objects[index].kind == Object::None)
        return; // already free, and already among the free slots
    m_objects[index] = Object();
    m_freeSlots.push(index);
}

void WmfPlayer::select(uint16_t index) {
    if (index >= m_objects.size())
        damaged("it selects object " + std::to_string(index) + " outside its object table");
    gdi::select(m_objects[index], m_canvas.state(), m_palette);
}

void WmfPlayer::record(uint16_t f, const ByteView& p) {
    switch (f) {
    case 0x0000: // EOF
        return;
    case 0x0521: // TEXTOUT
    case 0x0A32: // EXTTEXTOUT
        text(f, p);
        return;
    case 0x0F43: // STRETCHDIB
    case 0x0B41: // DIBSTRETCHBLT
    case 0x0940: // DIBBITBLT
    case 0x0D33: // SETDIBTODEV
        bitmap(f, p);
        return;
    default:
        // The other families; viewport, map mode and what this player does not draw pass.
        if (!stateRecord(f, p) && !drawRecord(f, p))
            objectRecord(f, p);
        return;
    }
}

// The drawing state: colours, modes, the window and the saved states.
bool WmfPlayer::stateRecord(uint16_t f, const ByteView& p) {
    MetafileCanvas::State& st = m_canvas.state();
    switch (f) {
    case 0x0201: // SETBKCOLOR
        need(f, p, 2);
        st.bkColour = fromColorRef(p.u32(0));
        return true;
    case 0x0209: // SETTEXTCOLOR
        need(f, p, 2);
        st.textColour = fromColorRef(p.u32(0));
        return true;
    case 0x0102: // SETBKMODE
        need(f, p, 1);
        st.bkMode = p.u16(0);
        return true;
    case 0x0104: // SETROP2
        need(f, p, 1);
        st.rop2 = p.u16(0);
        return true;
    case 0x0106: // SETPOLYFILLMODE
        need(f, p, 1);
        st.polyFillMode = p.u16(0);
        return true;
    case 0x0107: // SETSTRETCHBLTMODE
        need(f, p, 1);
        st.stretchMode = p.u16(0);
        return true;
    case 0x012E: // SETTEXTALIGN
        need(f, p, 1);
        st.textAlign = p.u16(0);
        return true;
    case 0x020B: // SETWINDOWORG
        need(f, p, 2);
        st.winOrg = yx(p, 0);
        return true;
    case 0x020C: // SETWINDOWEXT
        need(f, p, 2);
        st.winExt = yx(p, 0);
        return true;
    case 0x020F: // OFFSETWINDOWORG
        need(f, p, 2);
        st.winOrg += yx(p, 0);
        return true;
    case 0x0410: { // SCALEWINDOWEXT: yDenom, yNum, xDenom, xNum
        need(f, p, 4);
        if (s(p, 0) != 0 && s(p, 2) != 0)
            st.winExt =
                QPointF(st.winExt.x() * s(p, 3) / s(p, 2), st.winExt.y() * s(p, 1) / s(p, 0));
        return true;
    }
    case 0x001E: // SAVEDC
        m_canvas.saveDc();
        return true;
    case 0x0127: // RESTOREDC
        need(f, p, 1);
        m_canvas.restoreDc(s(p, 0));
        return true;
    default:
        return false;
    }
}

// Drawing, the current position and the clip.
bool WmfPlayer::drawRecord(uint16_t f, const ByteView& p) {
    switch (f) {
    case 0x0213: // LINETO
        need(f, p, 2);
        m_canvas.lineTo(yx(p, 0));
        return true;
    case 0x0214: // MOVETO
        need(f, p, 2);
        m_canvas.moveTo(yx(p, 0));
        return true;
    case 0x0415: // EXCLUDECLIPRECT
        need(f, p, 4);
        m_canvas.excludeClipRect(box(p, 0));
        return true;
    case 0x0416: // INTERSECTCLIPRECT
        need(f, p, 4);
        m_canvas.intersectClipRect(box(p, 0));
        return true;
    case 0x0220: // OFFSETCLIPRGN
        need(f, p, 2);
        m_canvas.offsetClip(yx(p, 0));
        return true;
    case 0x0817: // ARC
    case 0x081A: // PIE
    case 0x0830: // CHORD
        need(f, p, 8);
        m_canvas.arc(box(p, 4), yx(p, 2), yx(p, 0),
                     f == 0x0817   ? MetafileCanvas::ArcKind::Arc
                     : f == 0x081A ? MetafileCanvas::ArcKind::Pie
                                   : MetafileCanvas::ArcKind::Chord);
        return true;
    case 0x0418: // ELLIPSE
        need(f, p, 4);
        m_canvas.ellipse(box(p, 0));
        return true;
    case 0x041B: // RECTANGLE
        need(f, p, 4);
        m_canvas.rectangle(box(p, 0));
        return true;
    case 0x061C: // ROUNDRECT
        need(f, p, 6);
        m_canvas.roundRect(box(p, 2), QSizeF(s(p, 1), s(p, 0)));
        return true;
    case 0x061D: // PATBLT: rop, height, width, y, x
        need(f, p, 6);
        m_canvas.patBlt(QRectF(s(p, 5), s(p, 4), s(p, 3), s(p, 2)), p.u32(0));
        return true;
    case 0x041F: // SETPIXEL
        need(f, p, 4);
        m_canvas.setPixel(yx(p, 2), fromColorRef(p.u32(0)));
        return true;
    case 0x0324:   // POLYGON
    case 0x0325: { // POLYLINE
        need(f, p, 1);
        const QPolygonF poly = points(p, 2, p.u16(0), f);
        m_canvas.countPoints(static_cast<uint64_t>(poly.size()));
        if (f == 0x0324)
            m_canvas.polygon(poly);
        else
            m_canvas.polyline(poly);
        return true;
    }
    case 0x0538: { // POLYPOLYGON
        need(f, p, 1);
        const size_t n = p.u16(0);
        if (!p.fits(2, n * 2))
            bad(f, "holds more polygons than it has room for");
        size_t at = 2 + n * 2;
        std::vector<QPolygonF> polys;
        for (size_t i = 0; i < n; ++i) {
            const size_t count = p.u16(2 + 2 * i);
            polys.push_back(points(p, at, count, f));
            m_canvas.countPoints(count + 1);
            at += count * 4;
        }
        m_canvas.polyPolygon(polys);
        return true;
    }
    default:
        return false;
    }
}

// Objects made, selected and deleted.
bool WmfPlayer::objectRecord(uint16_t f, const ByteView& p) {
    switch (f) {
    case 0x012D: // SELECTOBJECT
    case 0x0234: // SELECTPALETTE
        need(f, p, 1);
        select(p.u16(0));
        return true;
    case 0x01F0: { // DELETEOBJECT
        need(f, p, 1);
        remove(p.u16(0));
        return true;
    }
    case 0x02FA: { // CREATEPENINDIRECT: style, width (x, y), colour
        need(f, p, 5);
        Object o;
        o.kind = Object::Pen;
        o.pen = gdi::pen(p.u16(0), s(p, 1), fromColorRef(p.u32(6)), {});
        create(std::move(o));
        return true;
    }
    case 0x02FC: { // CREATEBRUSHINDIRECT: style, colour, hatch
        need(f, p, 4);
        Object o;
        o.kind = Object::Brush;
        o.brush = gdi::brush(p.u16(0), fromColorRef(p.u32(2)), p.u16(6));
        create(std::move(o));
        return true;
    }
    case 0x02FB: { // CREATEFONTINDIRECT
        need(f, p, 9);
        Object o;
        o.kind = Object::Font;
        o.font.height = s(p, 0);
        o.font.escapement = s(p, 2);
        o.font.weight = s(p, 4);
        o.font.italic = p.u8(10);
        o.font.underline = p.u8(11);
        o.font.strikeOut = p.u8(12);
        o.font.charSet = p.u8(13);
        QString face;
        for (size_t i = 18; i < std::min<size_t>(p.size(), 18 + 32) && p.u8(i); ++i)
            face.append(QChar(static_cast<char32_t>(cp1252::toUnicode(p.u8(i)))));
        if (!face.isEmpty())
            o.font.face = face;
        create(std::move(o));
        return true;
    }
    case 0x00F7: { // CREATEPALETTE: start, count, entries
        need(f, p, 2);
        const size_t n = p.u16(2);
        if (!p.fits(4, n * 4))
            bad(f, "has more palette entries than it holds");
        Object o;
        o.kind = Object::Palette;
        for (size_t i = 0; i < n; ++i)
            o.palette.push_back(qRgb(p.u8(4 + 4 * i), p.u8(5 + 4 * i), p.u8(6 + 4 * i)));
        create(std::move(o));
        return true;
    }
    case 0x0142: { // DIBCREATEPATTERNBRUSH: style, usage, DIB
        need(f, p, 2);
        Object o;
        o.kind = Object::Brush;
        o.brush.style = Qt::TexturePattern;
        if (p.u16(0) == 5) { // BS_DIBPATTERNPT
            const MetafileDib dib =
                MetafileDib::parsePacked(p.sub(4, p.size() - 4, "a bitmap"), p.u16(2) == 1);
            if (m_canvas.drawing() && dib.drawable())
                o.brush.pattern = gdi::patternImage(dib, m_palette, m_canvas);
        } else {
            o.brush.style = Qt::SolidPattern;
            o.brush.colour = Qt::gray;
        }
        create(std::move(o));
        return true;
    }
    case 0x06FF: // CREATEREGION
    case 0x01F9: // CREATEPATTERNBRUSH
    {
        Object o;
        o.kind = Object::Other;
        create(std::move(o));
        return true;
    }
    default:
        return false;
    }
}

void WmfPlayer::text(uint16_t f, const ByteView& p) {
    if (f == 0x0521) { // length, string (even), y, x
        if (p.size() < 2)
            bad(f, "is too short");
        const size_t n = p.u16(0);
        const size_t padded = (n + 1) & ~size_t(1);
        if (!p.fits(2, padded + 4))
            bad(f, "has its text outside the record");
        m_canvas.countPoints(n);
        QString str;
        for (size_t i = 0; i < n; ++i)
            str.append(QChar(static_cast<char32_t>(cp1252::toUnicode(p.u8(2 + i)))));
        const QPointF at(p.i16(2 + padded + 2), p.i16(2 + padded));
        m_canvas.text(at, str, {}, 0, QRectF());
        return;
    }
    // y, x, length, options, [rect], string, [dx]
    if (p.size() < 8)
        bad(f, "is too short");
    const QPointF at(s(p, 1), s(p, 0));
    const size_t n = p.u16(4);
    const uint16_t options = p.u16(6);
    size_t pos = 8;
    QRectF rect;
    if (options & 0x0006) { // ETO_OPAQUE | ETO_CLIPPED
        if (!p.fits(8, 8))
            bad(f, "is too short for its rectangle");
        rect = QRectF(QPointF(p.i16(8), p.i16(10)), QPointF(p.i16(12), p.i16(14)));
        pos = 16;
    }
    if (!p.fits(pos, n))
        bad(f, "has its text outside the record");
    m_canvas.countPoints(n);
    QString str;
    for (size_t i = 0; i < n; ++i)
        str.append(QChar(static_cast<char32_t>(cp1252::toUnicode(p.u8(pos + i)))));
    pos += (n + 1) & ~size_t(1);
    std::vector<double> dx;
    if (p.fits(pos, n * 2) && n > 0) {
        for (size_t i = 0; i < n; ++i)
            dx.push_back(p.i16(pos + 2 * i));
    }
    m_canvas.text(at, str, dx, options, rect);
}

void WmfPlayer::bitmap(uint16_t f, const ByteView& p) {
    QRectF dest, src;
    uint32_t rop = 0x00CC0020;
    uint16_t usage = 0;
    size_t dibAt = 0;
    if (f == 0x0F43) { // rop, usage, srcH, srcW, ySrc, xSrc, dstH, dstW, yDst, xDst, DIB
        if (p.size() < 22)
            bad(f, "is too short");
        rop = p.u32(0);
        usage = p.u16(4);
        src = QRectF(s(p, 6), s(p, 5), s(p, 4), s(p, 3));
        dest = QRectF(s(p, 10), s(p, 9), s(p, 8), s(p, 7));
        dibAt = 22;
    } else if (f == 0x0B41) { // rop, srcH, srcW, ySrc, xSrc, [reserved], dstH, dstW, y, x
        if (p.size() < 20)
            bad(f, "is too short");
        rop = p.u32(0);
        if (p.size() == 22) { // no bitmap: a pattern operation
            m_canvas.patBlt(QRectF(s(p, 10), s(p, 9), s(p, 8), s(p, 7)), rop);
            return;
        }
        src = QRectF(s(p, 5), s(p, 4), s(p, 3), s(p, 2));
        dest = QRectF(s(p, 9), s(p, 8), s(p, 7), s(p, 6));
        dibAt = 20;
    } else if (f == 0x0940) { // rop, ySrc, xSrc, [reserved], height, width, y, x
        if (p.size() < 16)
            bad(f, "is too short");
        rop = p.u32(0);
        if (p.size() == 18) {
            m_canvas.patBlt(QRectF(s(p, 8), s(p, 7), s(p, 6), s(p, 5)), rop);
            return;
        }
        dest = QRectF(s(p, 7), s(p, 6), s(p, 5), s(p, 4));
        src = QRectF(QPointF(s(p, 3), s(p, 2)), dest.size());
        dibAt = 16;
    } else { // SETDIBTODEV: usage, scans, start, yDib, xDib, h, w, y, x, DIB
        if (p.size() < 18)
            bad(f, "is too short");
        usage = p.u16(0);
        src = QRectF(s(p, 4), s(p, 3), s(p, 6), s(p, 5));
        dest = QRectF(QPointF(s(p, 8), s(p, 7)), src.size());
        dibAt = 18;
    }
    const MetafileDib dib =
        MetafileDib::parsePacked(p.sub(dibAt, p.size() - dibAt, "a bitmap"), usage == 1 ? 1 : 0);
    if (!m_canvas.drawing() || !dib.drawable())
        return;
    QImage image;
    try {
        image = dib.toImage(m_palette);
    } catch (const Error& failure) {
        // One bitmap that cannot be decoded leaves a gap, not the rest of the picture.
        m_canvas.noteProblem(failure.what());
        return;
    }
    if (f != 0x0940 && !dib.topDown())
        src.moveTop(image.height() - src.top() - src.height());
    m_canvas.image(dest, image, src, rop);
}

} // namespace qlx
