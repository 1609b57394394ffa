#pragma once

#include "metafile/MetafileBytes.h"

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace qlx {

// A device-independent bitmap inside a metafile record: its header, colour table and bits,
// each checked to lie within the record. Decoding to an image is a separate step, so a
// metafile can be checked without drawing it.
class MetafileDib {
public:
    static constexpr int64_t MaxPixels = 64 * 1024 * 1024;
    static constexpr int32_t MaxSide = 32768;

    // info: the BITMAPINFO (header and colour table); bits: the pixel data. usage is
    // DIB_RGB_COLORS (0) or DIB_PAL_COLORS (1, a table of palette indices).
    static MetafileDib parse(const ByteView& info, const ByteView& bits, uint32_t usage);
    // The same from offsets and sizes within a record.
    static MetafileDib parse(const ByteView& record, uint32_t offInfo, uint32_t sizeInfo,
                             uint32_t offBits, uint32_t sizeBits, uint32_t usage);

    // A packed bitmap: header, colour table and bits in one block (Windows metafiles).
    static MetafileDib parsePacked(const ByteView& packed, uint32_t usage);

    int width() const { return width_; }
    int height() const { return height_ < 0 ? -height_ : height_; }
    bool topDown() const { return height_ < 0; }
    // False for compressions this reader leaves undrawn (RLE).
    bool drawable() const { return drawable_; }

    // The pixels; palette resolves DIB_PAL_COLORS tables (missing entries are black).
    QImage toImage(const std::vector<QRgb>& palette = {}) const;

private:
    static MetafileDib parseHeader(const ByteView& info, uint32_t usage);
    void checkBits() const;
    QImage decodeEmbedded() const;
    QRgb tableColour(size_t index, const std::vector<QRgb>& palette) const;

    ByteView info_, bits_;
    uint32_t headerSize_ = 0;
    int32_t width_ = 0, height_ = 0;
    uint16_t bitCount_ = 0;
    uint32_t compression_ = 0;
    uint32_t usage_ = 0;
    uint32_t masks_[4] = {0, 0, 0, 0};
    size_t tableAt_ = 0, tableEntries_ = 0, entrySize_ = 4;
    size_t stride_ = 0;
    bool drawable_ = true;
};

} // namespace qlx
