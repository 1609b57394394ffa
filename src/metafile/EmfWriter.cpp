#include "metafile/EmfWriter.h"

#include "metafile/ColorRef.h"
#include "metafile/EmfRecords.h"

#include <algorithm>
#include <cmath>

namespace qlx {

namespace {

constexpr size_t kHeaderSize = 108;

void utf16(ByteWriter& out, const QString& text, size_t units) {
    for (size_t i = 0; i < units; ++i)
        out.u16(i < static_cast<size_t>(text.size()) ? text.at(static_cast<int>(i)).unicode() : 0);
}

} // namespace

EmfWriter::EmfWriter(QSize pagePixels, double dotsPerInch, const QString& description) {
    if (pagePixels.width() <= 0 || pagePixels.height() <= 0 || !(dotsPerInch > 0))
        throw Error("A metafile page needs a positive size and resolution");
    const size_t start = begin(emr::HEADER);
    // Bounds: the whole page, inclusive, in device pixels.
    m_out.i32(0);
    m_out.i32(0);
    m_out.i32(pagePixels.width() - 1);
    m_out.i32(pagePixels.height() - 1);
    // Frame: the page in 0.01 mm.
    m_out.i32(0);
    m_out.i32(0);
    m_out.i32(static_cast<int32_t>(std::lround(pagePixels.width() * 2540.0 / dotsPerInch)));
    m_out.i32(static_cast<int32_t>(std::lround(pagePixels.height() * 2540.0 / dotsPerInch)));
    m_out.u32(emr::kSignature);
    m_out.u32(emr::kVersion);
    m_out.u32(0); // nBytes, completed by finish()
    m_out.u32(0); // nRecords
    m_out.u16(0); // nHandles
    m_out.u16(0);
    QString desc = description;
    const uint32_t descUnits = description.isEmpty() ? 0 : description.size() + 2;
    m_out.u32(descUnits);
    m_out.u32(descUnits ? kHeaderSize : 0);
    m_out.u32(0); // no palette
    // The reference device: a screen of 508 x 381 mm at the recording resolution, whose
    // pixel and millimetre sizes are both whole numbers at 96 dots per inch.
    m_out.i32(static_cast<int32_t>(std::lround(20 * dotsPerInch)));
    m_out.i32(static_cast<int32_t>(std::lround(15 * dotsPerInch)));
    m_out.i32(508);
    m_out.i32(381);
    m_out.u32(0); // no pixel format
    m_out.u32(0);
    m_out.u32(0); // not OpenGL
    m_out.i32(508000);
    m_out.i32(381000);
    utf16(m_out, desc, descUnits);
    end(start);
}

size_t EmfWriter::begin(uint32_t type) {
    if (m_finished)
        throw Error("The metafile is already finished");
    const size_t start = m_out.size();
    m_out.u32(type);
    m_out.u32(0);
    return start;
}

void EmfWriter::end(size_t start) {
    m_out.padTo4();
    m_out.patch32(start + 4, static_cast<uint32_t>(m_out.size() - start));
    ++m_records;
}

void EmfWriter::rect(const QRect& r) {
    m_out.i32(r.left());
    m_out.i32(r.top());
    m_out.i32(r.right());
    m_out.i32(r.bottom());
}

void EmfWriter::boundsOf(const std::vector<QPoint>& points) {
    if (points.empty()) {
        rect(QRect(0, 0, 0, 0));
        return;
    }
    int l = points[0].x(), t = points[0].y(), r = l, b = t;
    for (const QPoint& p : points) {
        l = std::min(l, p.x());
        r = std::max(r, p.x());
        t = std::min(t, p.y());
        b = std::max(b, p.y());
    }
    rect(QRect(QPoint(l, t), QPoint(r, b)));
}

uint32_t EmfWriter::allocate() {
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i]) {
            m_slots[i] = true;
            return static_cast<uint32_t>(i + 1);
        }
    }
    m_slots.push_back(true);
    return static_cast<uint32_t>(m_slots.size());
}

uint32_t EmfWriter::createPen(uint32_t penStyle, uint32_t width, QRgb colour) {
    const uint32_t h = allocate();
    const size_t start = begin(emr::EXTCREATEPEN);
    m_out.u32(h);
    m_out.u32(0); // no pattern bitmap
    m_out.u32(0);
    m_out.u32(0);
    m_out.u32(0);
    m_out.u32(penStyle);
    m_out.u32(width);
    m_out.u32(0); // BS_SOLID
    m_out.u32(toColorRef(colour));
    m_out.u32(0);
    m_out.u32(0); // no style entries
    end(start);
    return h;
}

uint32_t EmfWriter::createBrush(uint32_t brushStyle, QRgb colour, uint32_t hatch) {
    const uint32_t h = allocate();
    const size_t start = begin(emr::CREATEBRUSHINDIRECT);
    m_out.u32(h);
    m_out.u32(brushStyle);
    m_out.u32(toColorRef(colour));
    m_out.u32(hatch);
    end(start);
    return h;
}

uint32_t EmfWriter::createFont(const EmfLogFont& f) {
    const uint32_t h = allocate();
    const size_t start = begin(emr::EXTCREATEFONTINDIRECTW);
    m_out.u32(h);
    m_out.i32(f.height);
    m_out.i32(f.width);
    m_out.i32(f.escapement);
    m_out.i32(f.escapement); // orientation follows escapement
    m_out.i32(f.weight);
    m_out.u8(f.italic ? 1 : 0);
    m_out.u8(f.underline ? 1 : 0);
    m_out.u8(f.strikeOut ? 1 : 0);
    m_out.u8(f.charSet);
    m_out.u8(0); // OUT_DEFAULT_PRECIS
    m_out.u8(0); // CLIP_DEFAULT_PRECIS
    m_out.u8(0); // DEFAULT_QUALITY
    m_out.u8(0); // DEFAULT_PITCH | FF_DONTCARE
    utf16(m_out, f.faceName.left(31), 32);
    // The rest of LOGFONT_PANOSE: full name, style, version fields and PANOSE, all empty.
    m_out.zeros(128 + 64 + 6 * 4 + 10 + 2);
    end(start);
    return h;
}

void EmfWriter::selectObject(uint32_t handle) {
    const size_t start = begin(emr::SELECTOBJECT);
    m_out.u32(handle);
    end(start);
}

void EmfWriter::deleteObject(uint32_t handle) {
    if (handle == 0 || handle > m_slots.size() || !m_slots[handle - 1])
        throw Error("Deleting a metafile object that does not exist");
    const size_t start = begin(emr::DELETEOBJECT);
    m_out.u32(handle);
    end(start);
    m_slots[handle - 1] = false;
}

void EmfWriter::setUInt(uint32_t type, uint32_t value) {
    const size_t start = begin(type);
    m_out.u32(value);
    end(start);
}

void EmfWriter::setColour(uint32_t type, QRgb colour) {
    setUInt(type, toColorRef(colour));
}

void EmfWriter::selectClipRegion(const QRegion& region, uint32_t mode) {
    const size_t start = begin(emr::EXTSELECTCLIPRGN);
    const uint32_t count = static_cast<uint32_t>(region.rectCount());
    m_out.u32(32 + 16 * count);
    m_out.u32(mode);
    m_out.u32(32); // RGNDATAHEADER
    m_out.u32(1);  // RDH_RECTANGLES
    m_out.u32(count);
    m_out.u32(16 * count);
    const QRect b = region.boundingRect();
    m_out.i32(b.left());
    m_out.i32(b.top());
    m_out.i32(b.left() + b.width());
    m_out.i32(b.top() + b.height());
    for (const QRect& r : region) {
        m_out.i32(r.left());
        m_out.i32(r.top());
        m_out.i32(r.left() + r.width());
        m_out.i32(r.top() + r.height());
    }
    end(start);
}

void EmfWriter::resetClip() {
    const size_t start = begin(emr::EXTSELECTCLIPRGN);
    m_out.u32(0);
    m_out.u32(5); // RGN_COPY with no region: the default clip
    end(start);
}

void EmfWriter::rectangle(const QRect& r) {
    const size_t start = begin(emr::RECTANGLE);
    rect(r);
    end(start);
}

void EmfWriter::ellipse(const QRect& r) {
    const size_t start = begin(emr::ELLIPSE);
    rect(r);
    end(start);
}

void EmfWriter::poly(uint32_t type, const std::vector<QPoint>& points) {
    const size_t start = begin(type);
    boundsOf(points);
    m_out.u32(static_cast<uint32_t>(points.size()));
    for (const QPoint& p : points) {
        m_out.i32(p.x());
        m_out.i32(p.y());
    }
    end(start);
}

void EmfWriter::polyPoly(uint32_t type, const std::vector<std::vector<QPoint>>& polys) {
    std::vector<QPoint> all;
    for (const auto& p : polys)
        all.insert(all.end(), p.begin(), p.end());
    const size_t start = begin(type);
    boundsOf(all);
    m_out.u32(static_cast<uint32_t>(polys.size()));
    m_out.u32(static_cast<uint32_t>(all.size()));
    for (const auto& p : polys)
        m_out.u32(static_cast<uint32_t>(p.size()));
    for (const QPoint& p : all) {
        m_out.i32(p.x());
        m_out.i32(p.y());
    }
    end(start);
}

void EmfWriter::moveTo(QPoint p) {
    const size_t start = begin(emr::MOVETOEX);
    m_out.i32(p.x());
    m_out.i32(p.y());
    end(start);
}

void EmfWriter::noArgs(uint32_t type) {
    end(begin(type));
}

void EmfWriter::pathOp(uint32_t type, const QRect& bounds) {
    const size_t start = begin(type);
    rect(bounds);
    end(start);
}

void EmfWriter::stretchDibits(const QRect& dest, const QImage& image, uint32_t rop) {
    // Opaque pictures go as 24-bit DIBs; pictures with transparency keep their alpha in a
    // 32-bit DIB.
    const bool alpha = image.hasAlphaChannel();
    const QImage src = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    const int w = src.width(), h = src.height();
    const int bpp = alpha ? 32 : 24;
    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    const size_t bitsSize = stride * static_cast<size_t>(h);

    if (m_byteLimit != 0 && m_out.size() + 120 + bitsSize > m_byteLimit) {
        m_overLimit = true;
        return;
    }
    const size_t start = begin(emr::STRETCHDIBITS);
    rect(QRect(dest.topLeft(), QSize(std::max(dest.width(), 1), std::max(dest.height(), 1))));
    m_out.i32(dest.left());
    m_out.i32(dest.top());
    m_out.i32(0);
    m_out.i32(0);
    m_out.i32(w);
    m_out.i32(h);
    m_out.u32(80);  // offBmiSrc
    m_out.u32(40);  // cbBmiSrc
    m_out.u32(120); // offBitsSrc
    m_out.u32(static_cast<uint32_t>(bitsSize));
    m_out.u32(0); // DIB_RGB_COLORS
    m_out.u32(rop);
    m_out.i32(dest.width());
    m_out.i32(dest.height());
    // BITMAPINFOHEADER, bottom-up.
    m_out.u32(40);
    m_out.i32(w);
    m_out.i32(h);
    m_out.u16(1);
    m_out.u16(static_cast<uint16_t>(bpp));
    m_out.u32(0); // BI_RGB
    m_out.u32(static_cast<uint32_t>(bitsSize));
    m_out.i32(3780); // 96 dpi in pixels per metre
    m_out.i32(3780);
    m_out.u32(0);
    m_out.u32(0);
    const size_t rowBytes = static_cast<size_t>(w) * (bpp / 8);
    for (int y = h - 1; y >= 0; --y) {
        m_out.raw(src.constScanLine(y), rowBytes);
        m_out.zeros(stride - rowBytes);
    }
    end(start);
}

void EmfWriter::extTextOutW(QPoint reference, const QString& text, const std::vector<int32_t>& dx,
                            const QRect& bounds, uint32_t options) {
    const uint32_t n = static_cast<uint32_t>(text.size());
    const size_t start = begin(emr::EXTTEXTOUTW);
    rect(bounds);
    m_out.u32(1); // GM_COMPATIBLE
    m_out.f32(0);
    m_out.f32(0);
    m_out.i32(reference.x());
    m_out.i32(reference.y());
    m_out.u32(n);
    const uint32_t offString = 76;
    const uint32_t offDx = offString + ((n * 2 + 3) / 4) * 4;
    m_out.u32(offString);
    m_out.u32(options);
    rect(bounds);
    m_out.u32(offDx);
    utf16(m_out, text, n);
    m_out.padTo4();
    for (uint32_t i = 0; i < n; ++i)
        m_out.i32(i < dx.size() ? dx[i] : 0);
    end(start);
}

std::string EmfWriter::finish() {
    if (m_overLimit)
        throw Error("The report is too large");
    const size_t start = begin(emr::EOF_);
    m_out.u32(0);
    m_out.u32(16);
    m_out.u32(20);
    end(start);
    m_finished = true;
    m_out.patch32(48, static_cast<uint32_t>(m_out.size()));
    m_out.patch32(52, m_records);
    const uint32_t handles = handleSlots();
    m_out.bytes()[56] = static_cast<char>(handles & 0xff);
    m_out.bytes()[57] = static_cast<char>(handles >> 8);
    return std::move(m_out.bytes());
}

} // namespace qlx
