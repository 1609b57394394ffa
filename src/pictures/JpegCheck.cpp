#include "pictures/JpegCheck.h"

namespace qlx {

namespace {

bool isFrameHeader(unsigned marker) {
    // SOF0..SOF15 less DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool isProgressive(unsigned marker) {
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

JpegShape refuse(std::string* problem, const std::string& why, bool beyondLimit = false) {
    if (problem)
        *problem = why;
    JpegShape none;
    none.beyondLimit = beyondLimit;
    return none;
}

} // namespace

JpegShape checkJpeg(const unsigned char* data, std::size_t size, bool headerOnly,
                    std::string* problem) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return refuse(problem, "it does not start as a JPEG");
    if (problem)
        problem->clear();
    JpegShape shape;
    bool haveFrame = false;
    std::size_t at = 2;
    while (true) {
        // Fill bytes (FF FF ...) may stand before a marker.
        while (at < size && data[at] == 0xFF && at + 1 < size && data[at + 1] == 0xFF)
            ++at;
        if (at + 1 >= size || data[at] != 0xFF)
            break; // the stream ends here; the decoder says whether that is too early
        const unsigned marker = data[at + 1];
        at += 2;
        if (marker == 0xD9) // EOI
            break;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue; // no length
        if (at + 2 > size)
            break;
        const std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
        if (length < 2)
            return refuse(problem, "a marker segment has an invalid length");
        if (isFrameHeader(marker)) {
            if (at + 7 > size)
                break;
            shape.height = (data[at + 3] << 8) | data[at + 4];
            shape.width = (data[at + 5] << 8) | data[at + 6];
            shape.progressive = isProgressive(marker);
            haveFrame = true;
            if (shape.width == 0 || shape.height == 0)
                return refuse(problem, "its frame header gives it no size");
            if (std::int64_t(shape.width) * shape.height > kMaxJpegPixels)
                return refuse(problem,
                              "it claims " + std::to_string(shape.width) + " x " +
                                  std::to_string(shape.height) + " pixels (at most " +
                                  std::to_string(kMaxJpegPixels) + ")",
                              true);
            if (headerOnly)
                return shape;
        }
        at += length;
        if (marker != 0xDA) // SOS: entropy-coded data follows up to the next marker
            continue;
        if (!haveFrame)
            return refuse(problem, "a scan comes before its frame header");
        ++shape.scans;
        if (shape.scans > kMaxJpegScans)
            return refuse(problem, "it holds more than " + std::to_string(kMaxJpegScans) + " scans",
                          true);
        if (std::int64_t(shape.scans) * shape.width * shape.height > kMaxJpegScanPixels)
            return refuse(problem,
                          "its " + std::to_string(shape.scans) + " scans of " +
                              std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                              " pixels would take too long to decode",
                          true);
        // Skip the coded data: FF 00 is a stuffed byte, FF D0..D7 a restart marker.
        while (at + 1 < size) {
            if (data[at] == 0xFF && data[at + 1] != 0x00 &&
                !(data[at + 1] >= 0xD0 && data[at + 1] <= 0xD7))
                break;
            ++at;
        }
    }
    if (!haveFrame && !headerOnly) // the first bytes of a file may end before the frame header
        return refuse(problem, "it has no frame header");
    return shape;
}

} // namespace qlx
