#include "pagestore/ReportFileFormat.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <zlib.h>

namespace qlx {

namespace {

static_assert(ReportFileFormat::kFastCompression == Z_BEST_SPEED);
static_assert(ReportFileFormat::kDefaultCompression == Z_DEFAULT_COMPRESSION);

const QDate kDayZero(1899, 12, 30);
constexpr double kMsecsPerDay = 86400000.0;

template <typename T> void put(QByteArray& bytes, int offset, T value) {
    qToLittleEndian<T>(value, bytes.data() + offset);
}

} // namespace

QByteArray ReportFileFormat::encodeHeader(qint32 pageCount, double date, quint8 compression) {
    QByteArray header(kHeaderSize, '\0');
    put<quint16>(header, 0, kVersion);
    put<quint16>(header, kSignatureOffset, kSignature);
    put<qint32>(header, kPageCountOffset, pageCount);
    quint64 dateBits = 0;
    static_assert(sizeof dateBits == sizeof date, "the date is a 64-bit float");
    std::memcpy(&dateBits, &date, sizeof date);
    put<quint64>(header, kDateOffset, dateBits);
    header[kCompressionOffset] = static_cast<char>(compression);
    return header;
}

ReportFileFormat::Header ReportFileFormat::decodeHeader(const QByteArray& bytes) {
    Q_ASSERT(bytes.size() >= kHeaderSize);
    const char* p = bytes.constData();
    Header header;
    header.version = qFromLittleEndian<quint16>(p);
    header.signature = qFromLittleEndian<quint16>(p + kSignatureOffset);
    header.pageCount = qFromLittleEndian<qint32>(p + kPageCountOffset);
    const quint64 dateBits = qFromLittleEndian<quint64>(p + kDateOffset);
    std::memcpy(&header.date, &dateBits, sizeof header.date);
    header.compression = static_cast<quint8>(p[kCompressionOffset]);
    return header;
}

QString ReportFileFormat::sizeProblem(qint64 size) {
    if (size < kHeaderSize)
        return QStringLiteral("shorter than the header");
    if (size > kMaxStreamSize)
        return QStringLiteral("longer than a report file can be");
    return QString();
}

QString ReportFileFormat::headerProblem(const Header& header, qint64 size) {
    if (header.version != kVersion || header.signature != kSignature)
        return QStringLiteral("unknown version %1/%2").arg(header.version).arg(header.signature);
    if (header.compression != kPlain && header.compression != kCompressed)
        return QStringLiteral("unknown compression %1").arg(header.compression);
    if (header.pageCount < 1)
        return QStringLiteral("page count %1").arg(header.pageCount);
    if (header.pageCount > (size - kHeaderSize) / kRecordOverhead)
        return QStringLiteral("page count %1 larger than the records").arg(header.pageCount);
    return QString();
}

QByteArray ReportFileFormat::encodeRecord(qint32 pageNumber, qint64 start,
                                          const QByteArray& picture) {
    const qint64 next = start + kRecordOverhead + picture.size();
    Q_ASSERT(next <= kMaxStreamSize);
    QByteArray record;
    record.reserve(kRecordOverhead + picture.size());
    record += int32Bytes(pageNumber);
    record += int32Bytes(static_cast<qint32>(next));
    record += picture;
    record += int32Bytes(static_cast<qint32>(start));
    return record;
}

QByteArray ReportFileFormat::compressPicture(const QByteArray& picture, int level) {
    Q_ASSERT(picture.size() <= 0xffffffffLL);
    uLongf packed = compressBound(static_cast<uLong>(picture.size()));
    // Uninitialised: zlib writes what is kept, and the room it leaves is never touched.
    QByteArray stored(kCompressedLead + static_cast<qsizetype>(packed), Qt::Uninitialized);
    qToLittleEndian<quint32>(static_cast<quint32>(picture.size()), stored.data());
    const int result = compress2(reinterpret_cast<Bytef*>(stored.data() + kCompressedLead), &packed,
                                 reinterpret_cast<const Bytef*>(picture.constData()),
                                 static_cast<uLong>(picture.size()), level);
    if (result == Z_STREAM_ERROR) // a level outside 0 to 9 (or -1) is the caller's fault
        throw std::invalid_argument("zlib compression level " + std::to_string(level));
    if (result != Z_OK) // only memory can run out: the output has room for any input
        throw std::bad_alloc();
    stored.truncate(kCompressedLead + static_cast<qsizetype>(packed));
    return stored;
}

qint64 ReportFileFormat::declaredLength(const QByteArray& stored) {
    if (stored.size() < kCompressedLead)
        return -1;
    return qFromLittleEndian<quint32>(stored.constData());
}

QByteArray ReportFileFormat::uncompressPicture(const QByteArray& stored, qint64 limit,
                                               QString* problem) {
    const auto fail = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return QByteArray();
    };
    const qint64 length = declaredLength(stored);
    if (length < 0)
        return fail(QStringLiteral("compressed picture without its length"));
    const qint64 packed = stored.size() - kCompressedLead;
    if (length > limit)
        return fail(QStringLiteral("compressed picture of %1 bytes is too large").arg(length));
    if (length > packed * kMaxInflateRatio + 1024)
        return fail(QStringLiteral("compressed picture claims %1 bytes from %2 bytes")
                        .arg(length)
                        .arg(packed));
    QByteArray picture(static_cast<qsizetype>(length), Qt::Uninitialized);
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw std::bad_alloc();
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored.constData() + kCompressedLead));
    zs.avail_in = static_cast<uInt>(packed);
    zs.next_out = reinterpret_cast<Bytef*>(picture.data());
    zs.avail_out = static_cast<uInt>(length);
    int result = inflate(&zs, Z_FINISH);
    if (result != Z_STREAM_END && zs.avail_out == 0) {
        // The picture is full: one spare byte shows whether the stream wants to give more.
        Bytef spare = 0;
        zs.next_out = &spare;
        zs.avail_out = 1;
        result = inflate(&zs, Z_FINISH);
        if (zs.avail_out == 0) {
            inflateEnd(&zs);
            return fail(
                QStringLiteral("compressed picture expands beyond its %1 bytes").arg(length));
        }
        zs.avail_out = 0;
    }
    const qint64 produced = length - zs.avail_out;
    const qint64 leftOver = zs.avail_in;
    inflateEnd(&zs);
    if (result != Z_STREAM_END)
        return fail(QStringLiteral("compressed picture is damaged or cut short"));
    if (produced != length)
        return fail(
            QStringLiteral("compressed picture gives %1 bytes, not %2").arg(produced).arg(length));
    if (leftOver != 0)
        return fail(QStringLiteral("bytes after the compressed picture"));
    return picture;
}

double ReportFileFormat::toDays(const QDateTime& when) {
    const qint64 days = kDayZero.daysTo(when.date());
    return static_cast<double>(days) + when.time().msecsSinceStartOfDay() / kMsecsPerDay;
}

QDateTime ReportFileFormat::fromDays(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return {};
    const double whole = std::floor(days);
    const int msecs = static_cast<int>(std::lround((days - whole) * kMsecsPerDay));
    return QDateTime(kDayZero.addDays(static_cast<qint64>(whole)), QTime(0, 0)).addMSecs(msecs);
}

qint32 ReportFileFormat::int32At(const QByteArray& bytes, qsizetype offset) {
    Q_ASSERT(offset >= 0 && offset + 4 <= bytes.size());
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

QByteArray ReportFileFormat::int32Bytes(qint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

} // namespace qlx
