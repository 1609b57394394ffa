#include "platform/PictureFormat.h"

#include <cstdint>

namespace qlx {

namespace {

// Little-endian reads that report whether the bytes were there.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_bytes(bytes) {}

    bool has(qint64 offset, qint64 count) const {
        return offset >= 0 && count >= 0 && offset <= m_bytes.size() &&
               count <= m_bytes.size() - offset;
    }
    uint32_t u8(qint64 offset, bool& ok) const { return get(offset, 1, ok); }
    uint32_t u16(qint64 offset, bool& ok) const { return get(offset, 2, ok); }
    uint32_t u32(qint64 offset, bool& ok) const { return get(offset, 4, ok); }
    int32_t i32(qint64 offset, bool& ok) const { return static_cast<int32_t>(get(offset, 4, ok)); }

private:
    uint32_t get(qint64 offset, int count, bool& ok) const {
        if (!has(offset, count)) {
            ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = (value << 8) | static_cast<uint8_t>(m_bytes[offset + i]);
        return value;
    }

    const QByteArray& m_bytes;
};

constexpr qint64 kFileHeaderSize = 14;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;

bool isKnownInfoHeaderSize(uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The header of the bitmap, whichever of its versions the file uses.
struct BmpInfo {
    uint32_t headerSize = 0;
    qint64 width = 0;
    qint64 height = 0; // negative for rows stored top-down
    uint32_t planes = 0;
    uint32_t bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t coloursUsed = 0;
};

bool readBmpInfo(const Reader& r, qint64 at, BmpInfo& info) {
    bool ok = true;
    info.headerSize = r.u32(at, ok);
    if (!ok || !isKnownInfoHeaderSize(info.headerSize) || !r.has(at, info.headerSize))
        return false;
    if (info.headerSize == 12) {
        info.width = r.u16(at + 4, ok);
        info.height = r.u16(at + 6, ok);
        info.planes = r.u16(at + 8, ok);
        info.bitCount = r.u16(at + 10, ok);
        return ok;
    }
    info.width = r.i32(at + 4, ok);
    info.height = r.i32(at + 8, ok);
    info.planes = r.u16(at + 12, ok);
    info.bitCount = r.u16(at + 14, ok);
    info.compression = r.u32(at + 16, ok);
    info.coloursUsed = r.u32(at + 32, ok);
    return ok;
}

bool isSupportedDepth(const BmpInfo& info) {
    const uint32_t b = info.bitCount;
    if (info.headerSize == 12)
        return b == 1 || b == 4 || b == 8 || b == 24;
    switch (info.compression) {
    case kRgb:
        return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
    case kRle8:
        return b == 8 && info.height > 0;
    case kRle4:
        return b == 4 && info.height > 0;
    case kBitfields:
        return b == 16 || b == 32;
    default:
        return false; // embedded JPEG or PNG, or an unknown scheme
    }
}

bool hasSoundDimensions(const BmpInfo& info) {
    const qint64 height = info.height < 0 ? -info.height : info.height;
    return info.width > 0 && height > 0 && info.width <= PictureFormat::kMaxDimension &&
           height <= PictureFormat::kMaxDimension &&
           info.width * height <= PictureFormat::kMaxPixels;
}

// Bytes between the info header and the pixels: colour masks and palette.
bool tableBytes(const BmpInfo& info, qint64& bytes) {
    const qint64 masks = (info.headerSize == 40 && info.compression == kBitfields) ? 12 : 0;
    qint64 entries = 0;
    if (info.bitCount <= 8) {
        const qint64 full = qint64(1) << info.bitCount;
        if (info.coloursUsed > full)
            return false;
        entries = info.coloursUsed != 0 ? info.coloursUsed : full;
    }
    bytes = masks + entries * (info.headerSize == 12 ? 3 : 4);
    return true;
}

bool isIcoImageSound(const Reader& r, const QByteArray& bytes, qint64 offset) {
    if (bytes.mid(offset, 8) == QByteArray("\x89PNG\r\n\x1a\n", 8))
        return true;
    BmpInfo info;
    if (!readBmpInfo(r, offset, info) || info.headerSize != 40 || info.planes > 1)
        return false;
    // An icon's bitmap is stored with twice its height: the colours, then the mask.
    return info.width >= 1 && info.width <= 256 && info.height >= 2 && info.height <= 512 &&
           info.compression == kRgb &&
           (info.bitCount == 1 || info.bitCount == 4 || info.bitCount == 8 || info.bitCount == 24 ||
            info.bitCount == 32);
}

} // namespace

PictureFormat::Kind PictureFormat::sniff(const QByteArray& bytes) {
    const Reader r(bytes);
    bool ok = true;
    if (bytes.startsWith("BM"))
        return Kind::Bmp;
    if (bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return Kind::Png;
    if (bytes.startsWith(QByteArray("\xFF\xD8\xFF", 3)))
        return Kind::Jpeg;
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return Kind::Gif;
    if (r.u32(0, ok) == 1 && r.u32(40, ok) == 0x464D4520 && ok) // EMR_HEADER and " EMF"
        return Kind::Emf;
    ok = true;
    if (r.u32(0, ok) == 0x9AC6CDD7 && ok) // placeable metafile key
        return Kind::Wmf;
    ok = true;
    const uint32_t wmfType = r.u16(0, ok), wmfHeaderWords = r.u16(2, ok), wmfVersion = r.u16(4, ok);
    if (ok && (wmfType == 1 || wmfType == 2) && wmfHeaderWords == 9 &&
        (wmfVersion == 0x100 || wmfVersion == 0x300))
        return Kind::Wmf;
    ok = true;
    if (r.u16(0, ok) == 0 && r.u16(2, ok) == 1 && r.u16(4, ok) >= 1 && ok)
        return Kind::Ico;
    return Kind::Unknown;
}

bool PictureFormat::isSoundBmp(const QByteArray& bytes) {
    const Reader r(bytes);
    bool ok = true;
    if (!bytes.startsWith("BM"))
        return false;
    const qint64 pixelOffset = r.u32(10, ok);
    BmpInfo info;
    if (!ok || !readBmpInfo(r, kFileHeaderSize, info))
        return false;
    if (info.planes != 1 || !isSupportedDepth(info) || !hasSoundDimensions(info))
        return false;
    qint64 table = 0;
    if (!tableBytes(info, table))
        return false;
    const qint64 headersEnd = kFileHeaderSize + info.headerSize + table;
    if (pixelOffset < headersEnd || pixelOffset >= bytes.size())
        return false;
    if (info.compression == kRle4 || info.compression == kRle8)
        return true; // run lengths are bounded by the decoder's own row checks
    const qint64 height = info.height < 0 ? -info.height : info.height;
    const qint64 stride = (info.width * info.bitCount + 31) / 32 * 4;
    return r.has(pixelOffset, stride * height);
}

bool PictureFormat::isSoundIco(const QByteArray& bytes) {
    const Reader r(bytes);
    bool ok = true;
    const uint32_t reserved = r.u16(0, ok), type = r.u16(2, ok), count = r.u16(4, ok);
    if (!ok || reserved != 0 || type != 1 || count == 0)
        return false;
    const qint64 directoryEnd = 6 + qint64(count) * 16;
    if (!r.has(0, directoryEnd))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        const qint64 entry = 6 + qint64(i) * 16;
        const qint64 size = r.u32(entry + 8, ok);
        const qint64 offset = r.u32(entry + 12, ok);
        if (!ok || size < 8 || offset < directoryEnd || !r.has(offset, size) ||
            !isIcoImageSound(r, bytes, offset))
            return false;
    }
    return true;
}

} // namespace qlx
