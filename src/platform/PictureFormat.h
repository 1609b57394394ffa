#pragma once

#include <QByteArray>

namespace qlx {

// Recognises and checks the picture files the program reads. The checks look only at the
// headers, and they run before any decoder sees the bytes, so that a damaged or hostile file
// is refused before a decoder trusts its sizes and offsets.
class PictureFormat {
public:
    enum class Kind { Unknown, Bmp, Ico, Emf, Wmf, Png, Jpeg, Gif };

    // The kind the bytes announce by their signature.
    static Kind sniff(const QByteArray& bytes);

    // Largest picture, in pixels, a bitmap may claim: 128 MiB of 32-bit pixels.
    static constexpr qint64 kMaxPixels = qint64(32) * 1024 * 1024;
    // Largest width or height a bitmap may claim.
    static constexpr qint64 kMaxDimension = 65535;

    // True when the BMP file header and info header are consistent: known header size, one
    // plane, a supported bit depth and compression, dimensions within the limits above, a
    // palette and pixel data that lie inside the file.
    static bool isSoundBmp(const QByteArray& bytes);

    // True when the icon directory is consistent and every image it lists lies inside the file
    // and is a PNG or a bitmap of at most 256 x 256 pixels.
    static bool isSoundIco(const QByteArray& bytes);
};

} // namespace qlx
