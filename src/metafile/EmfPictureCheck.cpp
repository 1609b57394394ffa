#include "metafile/EmfPictureCheck.h"

#include <QtEndian>

namespace qlx {

namespace {

quint32 u32At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

qint32 i32At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

bool EmfPictureCheck::headerIsWellFormed(const QByteArray& picture, QString* error) {
    if (picture.size() < kHeaderMinSize)
        return fail(error, QStringLiteral("page picture shorter than a metafile header"));
    if (u32At(picture, 0) != kHeaderRecordType)
        return fail(error, QStringLiteral("page picture does not start with a metafile header"));
    const quint32 headerSize = u32At(picture, 4);
    if (headerSize < kHeaderMinSize || headerSize > static_cast<quint32>(picture.size()))
        return fail(error, QStringLiteral("metafile header size out of range"));
    if (u32At(picture, kSignatureOffset) != kSignature)
        return fail(error, QStringLiteral("metafile signature missing"));
    if (u32At(picture, kBytesOffset) != static_cast<quint32>(picture.size()))
        return fail(error, QStringLiteral("metafile size does not match the page record"));
    return true;
}

PictureValidator& EmfPictureCheck::installed() {
    static PictureValidator validator;
    return validator;
}

bool EmfPictureCheck::check(const QByteArray& picture, QString* error) {
    const PictureValidator& validator = installed();
    return validator ? validator(picture, error) : headerIsWellFormed(picture, error);
}

void EmfPictureCheck::setValidator(PictureValidator validator) {
    installed() = std::move(validator);
}

QSizeF EmfPictureCheck::frameSizeTenthsMm(const QByteArray& picture) {
    if (!headerIsWellFormed(picture, nullptr))
        return {};
    // rclFrame is inclusive and in hundredths of a millimetre.
    const qint64 left = i32At(picture, kFrameOffset);
    const qint64 top = i32At(picture, kFrameOffset + 4);
    const qint64 right = i32At(picture, kFrameOffset + 8);
    const qint64 bottom = i32At(picture, kFrameOffset + 12);
    if (right < left || bottom < top)
        return {};
    return QSizeF((right - left + 1) / 10.0, (bottom - top + 1) / 10.0);
}

} // namespace qlx
