#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qlx {

// What a JPEG's markers say, read without decoding anything.
struct JpegShape {
    int width = 0;
    int height = 0;
    bool progressive = false;
    int scans = 0; // start-of-scan markers; 0 when only the header was looked at
    // Set on a refusal for going beyond a limit, as against a damaged stream.
    bool beyondLimit = false;
};

// Largest picture, in pixels, a JPEG may claim: as much as a bitmap (128 MiB of 32-bit pixels).
constexpr std::int64_t kMaxJpegPixels = std::int64_t(32) * 1024 * 1024;
// The most scans a JPEG may hold. A baseline picture has one scan (four at most, one a
// component), libjpeg's progressive script ten, the most elaborate encoders a few dozen;
// each scan is a pass over the whole picture, so thousands of them make a small file that
// decodes for minutes.
constexpr int kMaxJpegScans = 100;
// Scans times pixels: the work a decoder does on a progressive picture. 100 scans of a
// 2048 x 2048 picture, or 12 scans of the largest one.
constexpr std::int64_t kMaxJpegScanPixels = std::int64_t(400) * 1024 * 1024;

// Walks a JPEG's markers before it is handed to a decoder. With headerOnly, stops at the
// first frame header (a file's first bytes are enough): the declared size is checked. Without
// it, walks the whole stream and counts the scans too. Returns the shape when it is within
// the limits above; otherwise `problem` gets the reason ("it holds more than 100 scans",
// "it claims W x H pixels", "it has no frame header") and the shape returned has width 0.
JpegShape checkJpeg(const unsigned char* data, std::size_t size, bool headerOnly,
                    std::string* problem);

} // namespace qlx
