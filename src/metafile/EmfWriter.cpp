#include "metafile/EmfWriter.h"

#include "metafile/EmfRecords.h"

#include <algorithm>
#include <cmath>

namespace qlx {

namespace {

constexpr size_t HeaderSize = 108;

uint32_t colorRef(QRgb c) {
    return static_cast<uint32_t>(qRed(c)) | (static_cast<uint32_t>(qGreen(c)) << 8) |
           (static_cast<uint32_t>(qBlue(c)) << 16);
}

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
    out_.i32(0);
    out_.i32(0);
    out_.i32(pagePixels.width() - 1);
    out_.i32(pagePixels.height() - 1);
    // Frame: the page in 0.01 mm.
    out_.i32(0);
    out_.i32(0);
    out_.i32(static_cast<int32_t>(std::lround(pagePixels.width() * 2540.0 / dotsPerInch)));
    out_.i32(static_cast<int32_t>(std::lround(pagePixels.height() * 2540.0 / dotsPerInch)));
    out_.u32(emr::Signature);
    out_.u32(emr::Version);
    out_.u32(0); // nBytes, completed by finish()
    out_.u32(0); // nRecords
    out_.u16(0); // nHandles
    out_.u16(0);
    QString desc = description;
    const uint32_t descUnits = description.isEmpty() ? 0 : description.size() + 2;
    out_.u32(descUnits);
    out_.u32(descUnits ? HeaderSize : 0);
    out_.u32(0); // no palette
    // The reference device: a screen of 508 x 381 mm at the recording resolution, whose
    // pixel and millimetre sizes are both whole numbers at 96 dots per inch.
    out_.i32(static_cast<int32_t>(std::lround(20 * dotsPerInch)));
    out_.i32(static_cast<int32_t>(std::lround(15 * dotsPerInch)));
    out_.i32(508);
    out_.i32(381);
    out_.u32(0); // no pixel format
    out_.u32(0);
    out_.u32(0); // not OpenGL
    out_.i32(508000);
    out_.i32(381000);
    utf16(out_, desc, descUnits);
    end(start);
}

size_t EmfWriter::begin(uint32_t type) {
    if (finished_)
        throw Error("The metafile is already finished");
    const size_t start = out_.size();
    out_.u32(type);
    out_.u32(0);
    return start;
}

void EmfWriter::end(size_t start) {
    out_.padTo4();
    out_.patch32(start + 4, static_cast<uint32_t>(out_.size() - start));
    ++records_;
}

void EmfWriter::rect(const QRect& r) {
    out_.i32(r.left());
    out_.i32(r.top());
    out_.i32(r.right());
    out_.i32(r.bottom());
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
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i]) {
            slots_[i] = true;
            return static_cast<uint32_t>(i + 1);
        }
    }
    slots_.push_back(true);
    return static_cast<uint32_t>(slots_.size());
}

uint32_t EmfWriter::createPen(uint32_t penStyle, uint32_t width, QRgb colour) {
    const uint32_t h = allocate();
    const size_t start = begin(emr::EXTCREATEPEN);
    out_.u32(h);
    out_.u32(0); // no pattern bitmap
    out_.u32(0);
    out_.u32(0);
    out_.u32(0);
    out_.u32(penStyle);
    out_.u32(width);
    out_.u32(0); // BS_SOLID
    out_.u32(colorRef(colour));
    out_.u32(0);
    out_.u32(0); // no style entries
    end(start);
    return h;
}

uint32_t EmfWriter::createBrush(uint32_t brushStyle, QRgb colour, uint32_t hatch) {
    const uint32_t h = allocate();
    const size_t start = begin(emr::CREATEBRUSHINDIRECT);
    out_.u32(h);
    out_.u32(brushStyle);
    out_.u32(colorRef(colour));
    out_.u32(hatch);
    end(start);
    return h;
}

uint32_t EmfWriter::createFont(const EmfLogFont& f) {
    const uint32_t h = allocate();
    const size_t start = begin(emr::EXTCREATEFONTINDIRECTW);
    out_.u32(h);
    out_.i32(f.height);
    out_.i32(f.width);
    out_.i32(f.escapement);
    out_.i32(f.escapement); // orientation follows escapement
    out_.i32(f.weight);
    out_.u8(f.italic ? 1 : 0);
    out_.u8(f.underline ? 1 : 0);
    out_.u8(f.strikeOut ? 1 : 0);
    out_.u8(f.charSet);
    out_.u8(0); // OUT_DEFAULT_PRECIS
    out_.u8(0); // CLIP_DEFAULT_PRECIS
    out_.u8(0); // DEFAULT_QUALITY
    out_.u8(0); // DEFAULT_PITCH | FF_DONTCARE
    utf16(out_, f.faceName.left(31), 32);
    // The rest of LOGFONT_PANOSE: full name, style, version fields and PANOSE, all empty.
    out_.zeros(128 + 64 + 6 * 4 + 10 + 2);
    end(start);
    return h;
}

void EmfWriter::selectObject(uint32_t handle) {
    const size_t start = begin(emr::SELECTOBJECT);
    out_.u32(handle);
    end(start);
}

void EmfWriter::deleteObject(uint32_t handle) {
    if (handle == 0 || handle > slots_.size() || !slots_[handle - 1])
        throw Error("Deleting a metafile object that does not exist");
    const size_t start = begin(emr::DELETEOBJECT);
    out_.u32(handle);
    end(start);
    slots_[handle - 1] = false;
}

void EmfWriter::setUInt(uint32_t type, uint32_t value) {
    const size_t start = begin(type);
    out_.u32(value);
    end(start);
}

void EmfWriter::setColour(uint32_t type, QRgb colour) {
    setUInt(type, colorRef(colour));
}

void EmfWriter::selectClipRegion(const QRegion& region, uint32_t mode) {
    const size_t start = begin(emr::EXTSELECTCLIPRGN);
    const uint32_t count = static_cast<uint32_t>(region.rectCount());
    out_.u32(32 + 16 * count);
    out_.u32(mode);
    out_.u32(32); // RGNDATAHEADER
    out_.u32(1);  // RDH_RECTANGLES
    out_.u32(count);
    out_.u32(16 * count);
    const QRect b = region.boundingRect();
    out_.i32(b.left());
    out_.i32(b.top());
    out_.i32(b.left() + b.width());
    out_.i32(b.top() + b.height());
    for (const QRect& r : region) {
        out_.i32(r.left());
        out_.i32(r.top());
        out_.i32(r.left() + r.width());
        out_.i32(r.top() + r.height());
    }
    end(start);
}

void EmfWriter::resetClip() {
    const size_t start = begin(emr::EXTSELECTCLIPRGN);
    out_.u32(0);
    out_.u32(5); // RGN_COPY with no region: the default clip
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
    out_.u32(static_cast<uint32_t>(points.size()));
    for (const QPoint& p : points) {
        out_.i32(p.x());
        out_.i32(p.y());
    }
    end(start);
}

void EmfWriter::polyPoly(uint32_t type, const std::vector<std::vector<QPoint>>& polys) {
    std::vector<QPoint> all;
    for (const auto& p : polys)
        all.insert(all.end(), p.begin(), p.end());
    const size_t start = begin(type);
    boundsOf(all);
    out_.u32(static_cast<uint32_t>(polys.size()));
    out_.u32(static_cast<uint32_t>(all.size()));
    for (const auto& p : polys)
        out_.u32(static_cast<uint32_t>(p.size()));
    for (const QPoint& p : all) {
        out_.i32(p.x());
        out_.i32(p.y());
    }
    end(start);
}

void EmfWriter::moveTo(QPoint p) {
    const size_t start = begin(emr::MOVETOEX);
    out_.i32(p.x());
    out_.i32(p.y());
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

    const size_t start = begin(emr::STRETCHDIBITS);
    rect(QRect(dest.topLeft(), QSize(std::max(dest.width(), 1), std::max(dest.height(), 1))));
    out_.i32(dest.left());
    out_.i32(dest.top());
    out_.i32(0);
    out_.i32(0);
    out_.i32(w);
    out_.i32(h);
    out_.u32(80);  // offBmiSrc
    out_.u32(40);  // cbBmiSrc
    out_.u32(120); // offBitsSrc
    out_.u32(static_cast<uint32_t>(bitsSize));
    out_.u32(0); // DIB_RGB_COLORS
    out_.u32(rop);
    out_.i32(dest.width());
    out_.i32(dest.height());
    // BITMAPINFOHEADER, bottom-up.
    out_.u32(40);
    out_.i32(w);
    out_.i32(h);
    out_.u16(1);
    out_.u16(static_cast<uint16_t>(bpp));
    out_.u32(0); // BI_RGB
    out_.u32(static_cast<uint32_t>(bitsSize));
    out_.i32(3780); // 96 dpi in pixels per metre
    out_.i32(3780);
    out_.u32(0);
    out_.u32(0);
    const size_t rowBytes = static_cast<size_t>(w) * (bpp / 8);
    for (int y = h - 1; y >= 0; --y) {
        out_.raw(src.constScanLine(y), rowBytes);
        out_.zeros(stride - rowBytes);
    }
    end(start);
}

void EmfWriter::extTextOutW(QPoint reference, const QString& text, const std::vector<int32_t>& dx,
                            const QRect& bounds, uint32_t options) {
    const uint32_t n = static_cast<uint32_t>(text.size());
    const size_t start = begin(emr::EXTTEXTOUTW);
    rect(bounds);
    out_.u32(1); // GM_COMPATIBLE
    out_.f32(0);
    out_.f32(0);
    out_.i32(reference.x());
    out_.i32(reference.y());
    out_.u32(n);
    const uint32_t offString = 76;
    const uint32_t offDx = offString + ((n * 2 + 3) / 4) * 4;
    out_.u32(offString);
    out_.u32(options);
    rect(bounds);
    out_.u32(offDx);
    utf16(out_, text, n);
    out_.padTo4();
    for (uint32_t i = 0; i < n; ++i)
        out_.i32(i < dx.size() ? dx[i] : 0);
    end(start);
}

std::string EmfWriter::finish() {
    const size_t start = begin(emr::EOF_);
    out_.u32(0);
    out_.u32(16);
    out_.u32(20);
    end(start);
    finished_ = true;
    out_.patch32(48, static_cast<uint32_t>(out_.size()));
    out_.patch32(52, records_);
    const uint32_t handles = handleSlots();
    out_.bytes()[56] = static_cast<char>(handles & 0xff);
    out_.bytes()[57] = static_cast<char>(handles >> 8);
    return std::move(out_.bytes());
}

} // namespace qlx
