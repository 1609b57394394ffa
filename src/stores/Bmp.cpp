#include "stores/Bmp.h"

#include "stores/Error.h"

namespace qlx {

namespace {

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

enum Compression : std::uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

// Thrown inside this file when a field is missing or wrong; each public check turns it into
// its own message.
struct Unsound {};

[[noreturn]] void unsound() {
    throw Unsound();
}

// Little-endian fields of the file, bounds-checked.
class Fields {
public:
    explicit Fields(std::string_view data)
        : m_data(data) {}
    bool has(std::uint64_t at, std::uint64_t size) const {
        return at <= m_data.size() && size <= m_data.size() - at;
    }
    std::uint32_t u16(std::uint64_t at) const { return get(at, 2); }
    std::uint32_t u32(std::uint64_t at) const { return get(at, 4); }
    std::int32_t i32(std::uint64_t at) const { return static_cast<std::int32_t>(get(at, 4)); }

private:
    std::uint32_t get(std::uint64_t at, int size) const {
        if (!has(at, static_cast<std::uint64_t>(size)))
            unsound();
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(m_data[static_cast<size_t>(at) + i]);
        return v;
    }
    std::string_view m_data;
};

// The info header of a device-independent bitmap, whichever of its versions it is, as it
// stands in a BMP file or inside an icon.
struct DibHeader {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // negative for rows stored top-down
    std::uint32_t planes = 0;
    int bitCount = 0;
    std::uint32_t compression = BiRgb;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
};

bool knownHeaderSize(std::uint32_t size) {
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 ||
           size == 108 || size == 124;
}

DibHeader readDibHeader(const Fields& f, std::uint64_t at) {
    DibHeader h;
    h.size = f.u32(at);
    if (!knownHeaderSize(h.size) || !f.has(at, h.size))
        unsound();
    if (h.size == kCoreHeaderSize) {
        h.width = f.u16(at + 4);
        h.height = f.u16(at + 6);
        h.planes = f.u16(at + 8);
        h.bitCount = static_cast<int>(f.u16(at + 10));
        return h;
    }
    h.width = f.i32(at + 4);
    h.height = f.i32(at + 8);
    h.planes = f.u16(at + 12);
    h.bitCount = static_cast<int>(f.u16(at + 14));
    h.compression = f.u32(at + 16);
    h.imageSize = f.u32(at + 20);
    h.colorsUsed = f.u32(at + 32);
    return h;
}

bool depthFits(const DibHeader& h) {
    const int b = h.bitCount;
    if (h.size == kCoreHeaderSize) // the old OS/2 header knows no 16 or 32 bits
        return b == 1 || b == 4 || b == 8 || b == 24;
    switch (h.compression) {
    case BiRgb:
        return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
    case BiRle8:
        return b == 8;
    case BiRle4:
        return b == 4;
    case BiBitfields:
        return b == 16 || b == 32;
    default:
        return false; // embedded JPEG or PNG, or an unknown scheme
    }
}

BmpInfo checkBmpOrThrow(std::string_view file) {
    const Fields f(file);
    if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M')
        unsound();
    const std::uint64_t pixelOffset = f.u32(10);
    const DibHeader h = readDibHeader(f, kFileHeaderSize);

    BmpInfo info;
    info.topDown = h.height < 0;
    const std::int64_t height = h.height < 0 ? -h.height : h.height;
    if (h.planes != 1 || h.width <= 0 || height <= 0 || h.width > kMaxBmpSide ||
        height > kMaxBmpSide || h.width * height > kMaxBmpPixels)
        unsound();
    info.width = static_cast<std::int32_t>(h.width);
    info.height = static_cast<std::int32_t>(height);
    info.bitCount = h.bitCount;
    info.compression = h.compression;
    if (!depthFits(h))
        unsound();
    const bool rle = h.compression == BiRle8 || h.compression == BiRle4;
    if (rle && info.topDown) // run-length pictures are stored bottom-up only
        unsound();

    // Colour masks follow a 40-byte header; the longer headers hold them inside.
    std::uint64_t tablesEnd = kFileHeaderSize + h.size;
    if (h.compression == BiBitfields && h.size == kInfoHeaderSize)
        tablesEnd += 12;
    if (h.bitCount <= 8) {
        const std::uint32_t maxColors = 1u << h.bitCount;
        if (h.colorsUsed > maxColors)
            unsound();
        info.paletteSize = h.colorsUsed == 0 ? maxColors : h.colorsUsed;
        tablesEnd += std::uint64_t(info.paletteSize) * (h.size == kCoreHeaderSize ? 3 : 4);
    } else if (h.colorsUsed > (1u << 16)) { // an optional palette for display only
        unsound();
    }
    if (tablesEnd > pixelOffset || pixelOffset >= file.size())
        unsound();

    // Rows are padded to four bytes; run-length data has the length the header gives.
    const std::uint64_t stride = ((std::uint64_t(h.width) * h.bitCount + 31) / 32) * 4;
    const std::uint64_t pixelBytes = rle ? h.imageSize : stride * std::uint64_t(height);
    if (rle && h.imageSize == 0)
        unsound();
    if (!f.has(pixelOffset, pixelBytes))
        unsound();
    return info;
}

void checkIcoImage(const Fields& f, std::string_view file, std::uint64_t at) {
    static constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
    if (file.substr(at, kPngSignature.size()) == kPngSignature) {
        // The same side limit as a bitmap entry, from the PNG's header chunk (IHDR).
        if (!f.has(at, 24))
            unsound();
        const auto be32 = [&](std::uint64_t p) {
            return std::uint32_t(std::uint8_t(file[p])) << 24 |
                   std::uint32_t(std::uint8_t(file[p + 1])) << 16 |
                   std::uint32_t(std::uint8_t(file[p + 2])) << 8 | std::uint8_t(file[p + 3]);
        };
        const std::uint32_t w = be32(at + 16), h = be32(at + 20);
        if (file.substr(at + 12, 4) != "IHDR" || w < 1 || h < 1 || w > kMaxIconSide ||
            h > kMaxIconSide)
            unsound();
        return;
    }
    const DibHeader h = readDibHeader(f, at);
    // An icon's bitmap is stored with twice its height: the colours, then the mask.
    const int b = h.bitCount;
    if (h.size != kInfoHeaderSize || h.planes > 1 || h.width < 1 || h.width > kMaxIconSide ||
        h.height < 2 || h.height > 2 * kMaxIconSide || h.compression != BiRgb ||
        !(b == 1 || b == 4 || b == 8 || b == 24 || b == 32))
        unsound();
}

void checkIcoOrThrow(std::string_view file) {
    const Fields f(file);
    const std::uint32_t reserved = f.u16(0), type = f.u16(2), count = f.u16(4);
    if (reserved != 0 || type != 1 || count == 0 || count > kMaxIconEntries)
        unsound();
    const std::uint64_t directoryEnd = 6 + std::uint64_t(count) * 16;
    if (!f.has(0, directoryEnd))
        unsound();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = 6 + std::uint64_t(i) * 16;
        const std::uint64_t size = f.u32(entry + 8);
        const std::uint64_t offset = f.u32(entry + 12);
        if (size < 8 || offset < directoryEnd || !f.has(offset, size))
            unsound();
        checkIcoImage(f, file, offset);
    }
}

} // namespace

BmpInfo checkBmp(std::string_view file) {
    try {
        return checkBmpOrThrow(file);
    } catch (const Unsound&) {
        throw Error("Bitmap image is not valid");
    }
}

void checkIco(std::string_view file) {
    try {
        checkIcoOrThrow(file);
    } catch (const Unsound&) {
        throw Error("Icon image is not valid");
    }
}

} // namespace qlx
