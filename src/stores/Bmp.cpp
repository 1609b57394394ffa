#include "stores/Bmp.h"

#include "stores/Error.h"

namespace qlx {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

enum Compression : std::uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

[[noreturn]] void invalid() {
    throw Error("Bitmap image is not valid");
}

// Little-endian fields of the file, bounds-checked.
class Fields {
public:
    explicit Fields(std::string_view data)
        : m_data(data) {}
    std::uint32_t u16(std::uint64_t at) const { return get(at, 2); }
    std::uint32_t u32(std::uint64_t at) const { return get(at, 4); }
    std::int32_t i32(std::uint64_t at) const { return static_cast<std::int32_t>(get(at, 4)); }

private:
    std::uint32_t get(std::uint64_t at, int size) const {
        if (at + static_cast<std::uint64_t>(size) > m_data.size())
            invalid();
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(m_data[static_cast<size_t>(at) + i]);
        return v;
    }
    std::string_view m_data;
};

bool knownHeaderSize(std::uint32_t size) {
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 ||
           size == 108 || size == 124;
}

bool compressionFits(std::uint32_t compression, int bitCount) {
    switch (compression) {
    case BiRgb:
        return true;
    case BiRle8:
        return bitCount == 8;
    case BiRle4:
        return bitCount == 4;
    case BiBitfields:
        return bitCount == 16 || bitCount == 32;
    default:
        return false;
    }
}

} // namespace

BmpInfo checkBmp(std::string_view file) {
    const Fields f(file);
    if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M')
        invalid();
    const std::uint64_t pixelOffset = f.u32(10);
    const std::uint32_t headerSize = f.u32(kFileHeaderSize);
    if (!knownHeaderSize(headerSize))
        invalid();
    const std::uint64_t headerEnd = kFileHeaderSize + std::uint64_t(headerSize);
    if (headerEnd > file.size())
        invalid();

    BmpInfo info;
    std::int64_t width, height;
    std::uint32_t planes, colorsUsed = 0, imageSize = 0;
    const std::uint64_t h = kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        width = f.u16(h + 4);
        height = f.u16(h + 6);
        planes = f.u16(h + 8);
        info.bitCount = static_cast<int>(f.u16(h + 10));
    } else {
        width = f.i32(h + 4);
        height = f.i32(h + 8);
        planes = f.u16(h + 12);
        info.bitCount = static_cast<int>(f.u16(h + 14));
        info.compression = f.u32(h + 16);
        imageSize = f.u32(h + 20);
        colorsUsed = f.u32(h + 32);
    }
    info.topDown = height < 0;
    if (height < 0)
        height = -height;
    if (planes != 1 || width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide ||
        width * height > kMaxBmpPixels)
        invalid();
    info.width = static_cast<std::int32_t>(width);
    info.height = static_cast<std::int32_t>(height);

    const int bits = info.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        invalid();
    if (!compressionFits(info.compression, bits))
        invalid();
    const bool rle = info.compression == BiRle8 || info.compression == BiRle4;
    if (rle && info.topDown) // run-length pictures are stored bottom-up only
        invalid();

    // Colour masks follow a 40-byte header; the longer headers hold them inside.
    std::uint64_t tablesEnd = headerEnd;
    if (info.compression == BiBitfields && headerSize == kInfoHeaderSize)
        tablesEnd += 12;
    if (bits <= 8) {
        const std::uint32_t maxColors = 1u << bits;
        if (colorsUsed > maxColors)
            invalid();
        info.paletteSize = colorsUsed == 0 ? maxColors : colorsUsed;
        tablesEnd += std::uint64_t(info.paletteSize) * (headerSize == kCoreHeaderSize ? 3 : 4);
    } else if (colorsUsed > (1u << 16)) { // an optional palette for display only
        invalid();
    }
    if (tablesEnd > pixelOffset || pixelOffset > file.size())
        invalid();

    // Rows are padded to four bytes; run-length data has the length the header gives.
    const std::uint64_t stride = ((std::uint64_t(width) * bits + 31) / 32) * 4;
    const std::uint64_t pixelBytes = rle ? imageSize : stride * std::uint64_t(height);
    if (rle && imageSize == 0)
        invalid();
    if (pixelBytes > file.size() - pixelOffset)
        invalid();
    return info;
}

} // namespace qlx
