#include "pagestore/ReportFileFormat.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace qlx {

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr double kMsecsPerDay = 86400000.0;

template <typename T> void put(QByteArray& bytes, int offset, T value) {
    qToLittleEndian<T>(value, bytes.data() + offset);
}

} // namespace

QByteArray ReportFileFormat::encodeHeader(qint32 pageCount, double date) {
    QByteArray header(kHeaderSize, '\0');
    put<quint16>(header, 0, kVersion);
    put<quint16>(header, kSignatureOffset, kSignature);
    put<qint32>(header, kPageCountOffset, pageCount);
    quint64 dateBits = 0;
    static_assert(sizeof dateBits == sizeof date, "the date is a 64-bit float");
    std::memcpy(&dateBits, &date, sizeof date);
    put<quint64>(header, kDateOffset, dateBits);
    header[kCompressionOffset] = '\0'; // pictures are always written plain
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
    if (header.compression != 0)
        return QStringLiteral("compressed page pictures are not supported");
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
