#include "metafile/MetafileDib.h"

#include "pictures/JpegCheck.h"

namespace qlx {

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
                   BI_ALPHABITFIELDS = 6;

[[noreturn]] void bad(const std::string& what) {
    throw Error("The metafile holds a damaged bitmap: " + what);
}

// Extracts a channel given by a bit mask and scales it to 0..255.
int channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    const uint32_t v = (pixel >> shift) & mask;
    return static_cast<int>((static_cast<uint64_t>(v) * 255 + mask / 2) / mask);
}

} // namespace

MetafileDib MetafileDib::parse(const ByteView& record, uint32_t offInfo, uint32_t sizeInfo,
                               uint32_t offBits, uint32_t sizeBits, uint32_t usage) {
    if (!record.fits(offInfo, sizeInfo))
        bad("its header lies outside the record");
    if (!record.fits(offBits, sizeBits))
        bad("its pixels lie outside the record");
    return parse(record.sub(offInfo, sizeInfo, "a bitmap header"),
                 record.sub(offBits, sizeBits, "bitmap pixels"), usage);
}

MetafileDib MetafileDib::parse(const ByteView& info, const ByteView& bits, uint32_t usage) {
    MetafileDib d = parseHeader(info, usage);
    d.m_bits = bits;
    d.checkBits();
    return d;
}

MetafileDib MetafileDib::parsePacked(const ByteView& packed, uint32_t usage) {
    MetafileDib d = parseHeader(packed, usage);
    const size_t at = d.m_tableAt + d.m_tableEntries * (usage == 1 ? 2 : d.m_entrySize);
    d.m_bits = packed.sub(at, packed.size() - at, "bitmap pixels");
    d.checkBits();
    return d;
}

void MetafileDib::checkBits() const {
    if (!m_drawable || m_compression == BI_JPEG || m_compression == BI_PNG)
        return;
    if (!m_bits.fits(0, m_stride * static_cast<size_t>(height())))
        bad("its pixels are fewer than its size needs");
}

MetafileDib MetafileDib::parseHeader(const ByteView& info, uint32_t usage) {
    MetafileDib d;
    d.m_info = info;
    d.m_usage = usage;
    if (usage > 1)
        bad("its colour usage is unknown");
    if (!info.fits(0, 4))
        bad("its header is missing");
    d.m_headerSize = info.u32(0);
    if (d.m_headerSize == 12) { // BITMAPCOREHEADER
        if (!info.fits(0, 12))
            bad("its header is truncated");
        d.m_width = info.u16(4);
        d.m_height = info.u16(6);
        d.m_bitCount = info.u16(10);
        d.m_entrySize = 3;
    } else if (d.m_headerSize >= 40 && d.m_headerSize <= 124) {
        if (!info.fits(0, d.m_headerSize))
            bad("its header is truncated");
        d.m_width = info.i32(4);
        d.m_height = info.i32(8);
        d.m_bitCount = info.u16(14);
        d.m_compression = info.u32(16);
    } else {
        bad("its header has an unknown size");
    }
    if (d.m_width <= 0 || d.m_width > kMaxSide || d.m_height == 0 || d.m_height > kMaxSide ||
        d.m_height < -kMaxSide)
        bad("its size is out of range");
    if (static_cast<int64_t>(d.m_width) * d.height() > kMaxPixels)
        bad("it is too large");

    size_t at = d.m_headerSize;
    d.m_tableAt = at;
    if (d.m_compression == BI_JPEG || d.m_compression == BI_PNG)
        return d; // decoded by the image reader from the bits
    if (d.m_compression == BI_RLE8 || d.m_compression == BI_RLE4) {
        d.m_drawable = false;
        return d;
    }
    if (d.m_compression == BI_BITFIELDS || d.m_compression == BI_ALPHABITFIELDS) {
        if (d.m_bitCount != 16 && d.m_bitCount != 32)
            bad("bit fields need 16 or 32 bits per pixel");
        const int n = d.m_compression == BI_ALPHABITFIELDS ? 4 : 3;
        // Version 4 and 5 headers carry the masks themselves; older ones follow with them.
        const size_t maskAt = d.m_headerSize >= 52 ? 40 : d.m_headerSize;
        for (int i = 0; i < n; ++i)
            d.m_masks[i] = info.u32(maskAt + 4 * static_cast<size_t>(i));
        if (d.m_headerSize < 52)
            at += 4 * static_cast<size_t>(n);
    } else if (d.m_compression != BI_RGB) {
        bad("its compression is unknown");
    }
    switch (d.m_bitCount) {
    case 1:
    case 4:
    case 8: {
        const uint32_t used = d.m_headerSize >= 40 ? info.u32(32) : 0;
        const size_t maxEntries = size_t(1) << d.m_bitCount;
        d.m_tableEntries = used == 0 || used > maxEntries ? maxEntries : used;
        break;
    }
    case 16:
    case 24:
    case 32:
        break;
    default:
        bad("its bit depth is not supported");
    }
    d.m_tableAt = at;
    const size_t entry = usage == 1 ? 2 : d.m_entrySize;
    if (!info.fits(at, d.m_tableEntries * entry))
        bad("its colour table lies outside the record");
    d.m_stride = ((static_cast<size_t>(d.m_width) * d.m_bitCount + 31) / 32) * 4;
    return d;
}

QRgb MetafileDib::tableColour(size_t index, const std::vector<QRgb>& palette) const {
    if (index >= m_tableEntries)
        return qRgb(0, 0, 0);
    if (m_usage == 1) {
        const size_t p = m_info.u16(m_tableAt + 2 * index);
        return p < palette.size() ? palette[p] : qRgb(0, 0, 0);
    }
    const size_t at = m_tableAt + m_entrySize * index;
    return qRgb(m_info.u8(at + 2), m_info.u8(at + 1), m_info.u8(at));
}

QImage MetafileDib::decodeEmbedded() const {
    if (m_compression == BI_JPEG) {
        // Its size and scans are checked before a decoder sees it: a small JPEG of thousands
        // of scans decodes for minutes.
        std::string problem;
        const JpegShape shape = checkJpeg(m_bits.data(), m_bits.size(), false, &problem);
        if (shape.beyondLimit)
            bad("its embedded JPEG is refused, as " + problem);
    }
    QImage image = QImage::fromData(m_bits.data(), static_cast<int>(m_bits.size()),
                                    m_compression == BI_PNG ? "PNG" : "JPEG");
    if (image.isNull())
        bad("its embedded picture cannot be read");
    if (static_cast<int64_t>(image.width()) * image.height() > kMaxPixels)
        bad("it is too large");
    return image;
}

QImage MetafileDib::toImage(const std::vector<QRgb>& palette) const {
    if (m_compression == BI_JPEG || m_compression == BI_PNG)
        return decodeEmbedded();
    if (!m_drawable)
        return QImage();
    const int w = m_width, h = height();
    const bool alphaFields = m_compression == BI_ALPHABITFIELDS && m_masks[3] != 0;
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull())
        bad("there is no memory for it");
    bool anyAlpha = false;
    std::vector<QRgb> table(m_tableEntries);
    for (size_t i = 0; i < m_tableEntries; ++i)
        table[i] = tableColour(i, palette);
    for (int row = 0; row < h; ++row) {
        const unsigned char* src = m_bits.data() + m_stride * static_cast<size_t>(row);
        const int y = topDown() ? row : h - 1 - row;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            QRgb c = 0;
            switch (m_bitCount) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = static_cast<size_t>(x) * m_bitCount;
                const unsigned v =
                    (src[bit / 8] >> (8 - m_bitCount - bit % 8)) & ((1u << m_bitCount) - 1);
                c = v < table.size() ? table[v] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const uint32_t p = src[2 * x] | (src[2 * x + 1] << 8);
                if (m_compression == BI_RGB)
                    c = qRgb(channel(p, 0x7C00), channel(p, 0x03E0), channel(p, 0x001F));
                else
                    c = qRgba(channel(p, m_masks[0]), channel(p, m_masks[1]),
                              channel(p, m_masks[2]), alphaFields ? channel(p, m_masks[3]) : 255);
                break;
            }
            case 24:
                c = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            case 32: {
                const unsigned char* q = src + 4 * x;
                const uint32_t p = q[0] | (q[1] << 8) | (q[2] << 16) | (uint32_t(q[3]) << 24);
                if (m_compression == BI_RGB) {
                    c = qRgba(q[2], q[1], q[0], q[3]);
                    anyAlpha = anyAlpha || q[3] != 0;
                } else {
                    c = qRgba(channel(p, m_masks[0]), channel(p, m_masks[1]),
                              channel(p, m_masks[2]), alphaFields ? channel(p, m_masks[3]) : 255);
                }
                break;
            }
            }
            dst[x] = c;
        }
    }
    // Plain 32-bit pixels: most writers leave the fourth byte zero and mean opaque; only a
    // bitmap that uses it is taken to carry alpha.
    const bool opaque = m_bitCount == 32 && m_compression == BI_RGB ? !anyAlpha : !alphaFields;
    if (opaque) {
        for (int y = 0; y < h; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] |= 0xff000000u;
        }
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    return image;
}

} // namespace qlx
