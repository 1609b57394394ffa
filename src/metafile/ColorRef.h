#pragma once

#include <QColor>
#include <cstdint>

namespace qlx {

// The platform's COLORREF, as both metafile kinds store a colour: red in the low byte, then
// green and blue; the top byte is written as 0 and ignored when read.
inline uint32_t toColorRef(QRgb colour) {
    return static_cast<uint32_t>(qRed(colour)) | (static_cast<uint32_t>(qGreen(colour)) << 8) |
           (static_cast<uint32_t>(qBlue(colour)) << 16);
}

inline QColor fromColorRef(uint32_t colorRef) {
    return QColor(colorRef & 0xff, (colorRef >> 8) & 0xff, (colorRef >> 16) & 0xff);
}

} // namespace qlx
