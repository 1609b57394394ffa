#pragma once

#include <QByteArray>

namespace qlx {

// Recognises the picture files the program reads by their signatures. The header checks of
// bitmaps and icons are stores/Bmp.h's checkBmp and checkIco.
class PictureFormat {
public:
    enum class Kind { Unknown, Bmp, Ico, Emf, Wmf, Png, Jpeg, Gif };

    // The kind the bytes announce by their signature.
    static Kind sniff(const QByteArray& bytes);
};

} // namespace qlx
