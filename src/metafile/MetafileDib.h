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
    static constexpr int64_t kMaxPixels = 64 * 1024 * 1024;
    static constexpr int32_t kMaxSide = 32768;

    // info: the BITMAPINFO (header and colour table); bits: the pixel data. usage is
    // DIB_RGB_COLORS (0) or DIB_PAL_COLORS (1, a table of palette indices).
    static MetafileDib parse(const ByteView& info, const ByteView& bits, uint32_t usage);
    // The same from offsets and sizes within a record.
    static MetafileDib parse(const ByteView& record, uint32_t offInfo, uint32_t sizeInfo,
                             uint32_t offBits, uint32_t sizeBits, uint32_t usage);

    // A packed bitmap: header, colour table and bits in one block (Windows metafiles).
    static MetafileDib parsePacked(const ByteView& packed, uint32_t usage);

    int width() const { return m_width; }
    int height() const { return m_height < 0 ? -m_height : m_height; }
    bool topDown() const { return m_height < 0; }
    // False for compressions this reader leaves undrawn (RLE).
    bool drawable() const { return m_drawable; }

    // The pixels; palette resolves DIB_PAL_COLORS tables (missing entries are black).
    QImage toImage(const std::vector<QRgb>& palette = {}) const;

private:
    static MetafileDib parseHeader(const ByteView& info, uint32_t usage);
    void checkBits() const;
    QImage decodeEmbedded() const;
    QRgb tableColour(size_t index, const std::vector<QRgb>& palette) const;

    ByteView m_info, m_bits;
    uint32_t m_headerSize = 0;
    int32_t m_width = 0, m_height = 0;
    uint16_t m_bitCount = 0;
    uint32_t m_compression = 0;
    uint32_t m_usage = 0;
    uint32_t m_masks[4] = {0, 0, 0, 0};
    size_t m_tableAt = 0, m_tableEntries = 0, m_entrySize = 4;
    size_t m_stride = 0;
    bool m_drawable = true;
};

} // namespace qlx
