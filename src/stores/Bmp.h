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

// Largest width or height a bitmap may claim.
constexpr std::int64_t kMaxBmpSide = 65535;
// Largest picture, in pixels, a bitmap may claim: 128 MiB of 32-bit pixels, which is as much
// as Qt's image reader allocates by default.
constexpr std::int64_t kMaxBmpPixels = std::int64_t(32) * 1024 * 1024;
// Largest image an icon may list, in either direction.
constexpr std::int64_t kMaxIconSide = 256;
// The most images an icon may list (its directory entries).
constexpr std::int64_t kMaxIconEntries = 64;

// Checks the headers of a BMP file before anything is decoded or allocated: the file header;
// an info header of 12 (core), 40, 52, 56, 108 (V4) or 124 (V5) bytes; one plane; 1, 4, 8 or
// 24 bits per pixel for a core header, else also 16 or 32, with a compression that fits them
// (none, RLE8 for 8 bits, RLE4 for 4, bit fields for 16 and 32; run-length pictures only
// bottom-up and with their size given); a palette that fits its bit depth and lies before the
// pixels; pixel data that lies inside the file; and dimensions within kMaxBmpSide and
// kMaxBmpPixels, so that a header that claims a huge picture is refused before a decoder
// allocates it. Fails with "Bitmap image is not valid".
BmpInfo checkBmp(std::string_view file);

// Checks an icon file's directory before anything is decoded: at least one image, every image
// inside the file and either a PNG or a bitmap (40-byte header, no compression, 1, 4, 8, 24 or
// 32 bits) of at most kMaxIconSide pixels each way. Fails with "Icon image is not valid".
void checkIco(std::string_view file);

} // namespace qlx
