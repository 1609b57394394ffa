#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <functional>

namespace qlx {

// Decides whether a page picture read from a prepared report file may be taken in. Returns
// false and, when `error` is given, says why.
using PictureValidator = std::function<bool(const QByteArray& picture, QString* error)>;

// The check applied to every page picture of a loaded report file. By default only the
// enhanced-metafile header is looked at; the metafile reader can be installed in its place
// to have every record checked.
class EmfPictureCheck {
public:
    static constexpr int kHeaderMinSize = 88;
    static constexpr quint32 kHeaderRecordType = 1;
    static constexpr quint32 kSignature = 0x464D4520; // " EMF"
    static constexpr int kFrameOffset = 24;
    static constexpr int kSignatureOffset = 40;
    static constexpr int kBytesOffset = 48;

    // Header record type 1 with a plausible size, " EMF" at offset 40, and the total size at
    // offset 48 equal to the block's length.
    static bool headerIsWellFormed(const QByteArray& picture, QString* error);

    static bool check(const QByteArray& picture, QString* error);
    // An empty validator restores the header check.
    static void setValidator(PictureValidator validator);

    // The picture frame (rclFrame) in tenths of a millimetre; empty when the header is not
    // well-formed or the frame is not positive.
    static QSizeF frameSizeTenthsMm(const QByteArray& picture);

private:
    static PictureValidator& installed();
};

} // namespace qlx
