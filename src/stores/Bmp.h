#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qlx {

// What a Windows bitmap file's headers say, once they have been found sound.
struct BmpInfo {
    std::int32_t width = 0;
    std::int32_t height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t paletteSize = 0;
};

// Checks the headers of a BMP file before anything is decoded or allocated: the file header;
// an info header of 12 (core), 40, 52, 56, 108 (V4) or 124 (V5) bytes; 1, 4, 8, 16, 24 or 32
// bits per pixel with a compression that fits them (none, RLE8 for 8 bits, RLE4 for 4, bit
// fields for 16 and 32); a palette that fits its bit depth and lies before the pixels; pixel
// data that lies inside the file; and dimensions within kMaxBmpSide and kMaxBmpPixels, so
// a header that claims a huge picture is refused before a decoder allocates it.
// Fails with "Bitmap image is not valid".
BmpInfo checkBmp(std::string_view file);

constexpr std::int32_t kMaxBmpSide = 32767;
constexpr std::int64_t kMaxBmpPixels = 64LL << 20;

} // namespace qlx
