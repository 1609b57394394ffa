#include "metafile/MetafileDib.h"

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
    d.bits_ = bits;
    d.checkBits();
    return d;
}

MetafileDib MetafileDib::parsePacked(const ByteView& packed, uint32_t usage) {
    MetafileDib d = parseHeader(packed, usage);
    const size_t at = d.tableAt_ + d.tableEntries_ * (usage == 1 ? 2 : d.entrySize_);
    d.bits_ = packed.sub(at, packed.size() - at, "bitmap pixels");
    d.checkBits();
    return d;
}

void MetafileDib::checkBits() const {
    if (!drawable_ || compression_ == BI_JPEG || compression_ == BI_PNG)
        return;
    if (!bits_.fits(0, stride_ * static_cast<size_t>(height())))
        bad("its pixels are fewer than its size needs");
}

MetafileDib MetafileDib::parseHeader(const ByteView& info, uint32_t usage) {
    MetafileDib d;
    d.info_ = info;
    d.usage_ = usage;
    if (usage > 1)
        bad("its colour usage is unknown");
    if (!info.fits(0, 4))
        bad("its header is missing");
    d.headerSize_ = info.u32(0);
    if (d.headerSize_ == 12) { // BITMAPCOREHEADER
        if (!info.fits(0, 12))
            bad("its header is truncated");
        d.width_ = info.u16(4);
        d.height_ = info.u16(6);
        d.bitCount_ = info.u16(10);
        d.entrySize_ = 3;
    } else if (d.headerSize_ >= 40 && d.headerSize_ <= 124) {
        if (!info.fits(0, d.headerSize_))
            bad("its header is truncated");
        d.width_ = info.i32(4);
        d.height_ = info.i32(8);
        d.bitCount_ = info.u16(14);
        d.compression_ = info.u32(16);
    } else {
        bad("its header has an unknown size");
    }
    if (d.width_ <= 0 || d.width_ > MaxSide || d.height_ == 0 || d.height_ > MaxSide ||
        d.height_ < -MaxSide)
        bad("its size is out of range");
    if (static_cast<int64_t>(d.width_) * d.height() > MaxPixels)
        bad("it is too large");

    size_t at = d.headerSize_;
    d.tableAt_ = at;
    if (d.compression_ == BI_JPEG || d.compression_ == BI_PNG)
        return d; // decoded by the image reader from the bits
    if (d.compression_ == BI_RLE8 || d.compression_ == BI_RLE4) {
        d.drawable_ = false;
        return d;
    }
    if (d.compression_ == BI_BITFIELDS || d.compression_ == BI_ALPHABITFIELDS) {
        if (d.bitCount_ != 16 && d.bitCount_ != 32)
            bad("bit fields need 16 or 32 bits per pixel");
        const int n = d.compression_ == BI_ALPHABITFIELDS ? 4 : 3;
        // Version 4 and 5 headers carry the masks themselves; older ones follow with them.
        const size_t maskAt = d.headerSize_ >= 52 ? 40 : d.headerSize_;
        for (int i = 0; i < n; ++i)
            d.masks_[i] = info.u32(maskAt + 4 * static_cast<size_t>(i));
        if (d.headerSize_ < 52)
            at += 4 * static_cast<size_t>(n);
    } else if (d.compression_ != BI_RGB) {
        bad("its compression is unknown");
    }
    switch (d.bitCount_) {
    case 1:
    case 4:
    case 8: {
        const uint32_t used = d.headerSize_ >= 40 ? info.u32(32) : 0;
        const size_t maxEntries = size_t(1) << d.bitCount_;
        d.tableEntries_ = used == 0 || used > maxEntries ? maxEntries : used;
        break;
    }
    case 16:
    case 24:
    case 32:
        break;
    default:
        bad("its bit depth is not supported");
    }
    d.tableAt_ = at;
    const size_t entry = usage == 1 ? 2 : d.entrySize_;
    if (!info.fits(at, d.tableEntries_ * entry))
        bad("its colour table lies outside the record");
    d.stride_ = ((static_cast<size_t>(d.width_) * d.bitCount_ + 31) / 32) * 4;
    return d;
}

QRgb MetafileDib::tableColour(size_t index, const std::vector<QRgb>& palette) const {
    if (index >= tableEntries_)
        return qRgb(0, 0, 0);
    if (usage_ == 1) {
        const size_t p = info_.u16(tableAt_ + 2 * index);
        return p < palette.size() ? palette[p] : qRgb(0, 0, 0);
    }
    const size_t at = tableAt_ + entrySize_ * index;
    return qRgb(info_.u8(at + 2), info_.u8(at + 1), info_.u8(at));
}

QImage MetafileDib::decodeEmbedded() const {
    QImage image = QImage::fromData(bits_.data(), static_cast<int>(bits_.size()),
                                    compression_ == BI_PNG ? "PNG" : "JPEG");
    if (image.isNull())
        bad("its embedded picture cannot be read");
    if (static_cast<int64_t>(image.width()) * image.height() > MaxPixels)
        bad("it is too large");
    return image;
}

QImage MetafileDib::toImage(const std::vector<QRgb>& palette) const {
    if (compression_ == BI_JPEG || compression_ == BI_PNG)
        return decodeEmbedded();
    if (!drawable_)
        return QImage();
    const int w = width_, h = height();
    const bool alphaFields = compression_ == BI_ALPHABITFIELDS && masks_[3] != 0;
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull())
        bad("there is no memory for it");
    bool anyAlpha = false;
    std::vector<QRgb> table(tableEntries_);
    for (size_t i = 0; i < tableEntries_; ++i)
        table[i] = tableColour(i, palette);
    for (int row = 0; row < h; ++row) {
        const unsigned char* src = bits_.data() + stride_ * static_cast<size_t>(row);
        const int y = topDown() ? row : h - 1 - row;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            QRgb c = 0;
            switch (bitCount_) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = static_cast<size_t>(x) * bitCount_;
                const unsigned v =
                    (src[bit / 8] >> (8 - bitCount_ - bit % 8)) & ((1u << bitCount_) - 1);
                c = v < table.size() ? table[v] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const uint32_t p = src[2 * x] | (src[2 * x + 1] << 8);
                if (compression_ == BI_RGB)
                    c = qRgb(channel(p, 0x7C00), channel(p, 0x03E0), channel(p, 0x001F));
                else
                    c = qRgba(channel(p, masks_[0]), channel(p, masks_[1]), channel(p, masks_[2]),
                              alphaFields ? channel(p, masks_[3]) : 255);
                break;
            }
            case 24:
                c = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            case 32: {
                const unsigned char* q = src + 4 * x;
                const uint32_t p = q[0] | (q[1] << 8) | (q[2] << 16) | (uint32_t(q[3]) << 24);
                if (compression_ == BI_RGB) {
                    c = qRgba(q[2], q[1], q[0], q[3]);
                    anyAlpha = anyAlpha || q[3] != 0;
                } else {
                    c = qRgba(channel(p, masks_[0]), channel(p, masks_[1]), channel(p, masks_[2]),
                              alphaFields ? channel(p, masks_[3]) : 255);
                }
                break;
            }
            }
            dst[x] = c;
        }
    }
    // Plain 32-bit pixels: most writers leave the fourth byte zero and mean opaque; only a
    // bitmap that uses it is taken to carry alpha.
    const bool opaque = bitCount_ == 32 && compression_ == BI_RGB ? !anyAlpha : !alphaFields;
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
