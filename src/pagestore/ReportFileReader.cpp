#include "pagestore/ReportFileReader.h"

#include <cstdlib>

#include "metafile/EmfPictureCheck.h"
#include "pagestore/PageStream.h"
#include "pagestore/ReportFileError.h"
#include "pagestore/ReportFileFormat.h"

namespace qlx {

namespace {

using F = ReportFileFormat;

[[noreturn]] void bad(const QString& reason) {
    throw ReportFileError(reason);
}

qint32 int32In(const ReportFileReader::ByteSource& bytes, qint64 offset) {
    return F::int32At(bytes(offset, 4), 0);
}

} // namespace

ReportFileReader::ReportFileReader(const PageStream& stream)
    : m_stream(stream)
    , m_bytes([&stream](qint64 offset, qint64 length) { return stream.readAt(offset, length); }) {
    if (stream.size() >= F::kHeaderSize)
        m_compressed =
            F::decodeHeader(stream.readAt(0, F::kHeaderSize)).compression == F::kCompressed;
}

qint64 ReportFileReader::Record::pictureSize() const {
    return next - start - F::kRecordOverhead;
}

ReportFileReader::Record ReportFileReader::recordAt(qint64 size, const ByteSource& bytes,
                                                    qint64 start) {
    if (start < F::kHeaderSize || start > size - F::kRecordOverhead)
        bad(QStringLiteral("page record offset %1 outside the file").arg(start));
    const QByteArray lead = bytes(start, F::kRecordLead);
    Record record;
    record.start = start;
    record.page = F::int32At(lead, 0);
    record.next = F::int32At(lead, 4);
    if (record.next < start + F::kRecordOverhead || record.next > size)
        bad(QStringLiteral("next-record offset %1 of the record at %2 out of range")
                .arg(record.next)
                .arg(start));
    if (record.pictureSize() > kMaxPictureSize)
        bad(QStringLiteral("page picture of %1 bytes is too large").arg(record.pictureSize()));
    if (int32In(bytes, record.next - 4) != start)
        bad(QStringLiteral("record at %1 does not end with its own start").arg(start));
    return record;
}

ReportFileReader::Record ReportFileReader::recordAt(qint64 start) const {
    return recordAt(m_stream.size(), m_bytes, start);
}

qint32 ReportFileReader::walkRecords(qint64 size, const ByteSource& bytes,
                                     const RecordVisitor& visit) {
    if (const QString problem = F::sizeProblem(size); !problem.isEmpty())
        bad(problem);
    const F::Header header = F::decodeHeader(bytes(0, F::kHeaderSize));
    if (const QString problem = F::headerProblem(header, size); !problem.isEmpty())
        bad(problem);

    qint64 at = F::kHeaderSize;
    for (qint32 page = 1; page <= header.pageCount; ++page) {
        if (at == size)
            bad(QStringLiteral("page count %1 larger than the records").arg(header.pageCount));
        const Record record = recordAt(size, bytes, at);
        if (record.page != page)
            bad(QStringLiteral("record %1 carries page number %2").arg(page).arg(record.page));
        if (visit)
            visit(record);
        at = record.next; // strictly forward: recordAt guarantees next > start
    }
    if (at != size)
        bad(QStringLiteral("bytes after the last page record"));
    return header.pageCount;
}

qint32 ReportFileReader::validate() const {
    return walkRecords(m_stream.size(), m_bytes, [this](const Record& record) {
        QString why;
        const QByteArray pic = pictureOf(record);
        if (!EmfPictureCheck::check(pic, &why))
            bad(QStringLiteral("page %1: %2").arg(record.page).arg(why));
    });
}

PagePosition ReportFileReader::lastPage(qint32 pageCount) const {
    const qint64 size = m_stream.size();
    if (size < F::kHeaderSize + F::kRecordOverhead)
        bad(QStringLiteral("no page records"));
    const qint64 start = int32In(m_bytes, size - 4);
    const Record record = recordAt(start);
    if (record.next != size)
        bad(QStringLiteral("final offset does not name the last record"));
    return {pageCount, start};
}

PagePosition ReportFileReader::stepForward(PagePosition at) const {
    return {at.page + 1, recordAt(at.start).next};
}

PagePosition ReportFileReader::stepBackward(PagePosition at) const {
    if (at.start < F::kHeaderSize + F::kRecordOverhead)
        bad(QStringLiteral("no record before offset %1").arg(at.start));
    const qint64 previous = int32In(m_bytes, at.start - 4);
    if (previous < F::kHeaderSize || previous > at.start - F::kRecordOverhead)
        bad(QStringLiteral("start offset %1 before %2 out of range").arg(previous).arg(at.start));
    if (recordAt(previous).next != at.start)
        bad(QStringLiteral("records at %1 and %2 do not chain").arg(previous).arg(at.start));
    return {at.page - 1, previous};
}

PagePosition ReportFileReader::locate(qint32 page, qint32 pageCount, PagePosition from) const {
    if (page < 1 || page > pageCount)
        bad(QStringLiteral("no page %1 of %2").arg(page).arg(pageCount));
    // Start from whichever known record is nearest: page 1, where the stream stands, or the
    // last page.
    PagePosition at{1, F::kHeaderSize};
    qint32 distance = page - 1;
    if (from.isKnown() && from.page <= pageCount && std::abs(from.page - page) < distance) {
        at = from;
        distance = std::abs(from.page - page);
    }
    if (pageCount - page < distance)
        at = lastPage(pageCount);
    // Each step moves strictly one way, so at most |page - at.page| steps are taken.
    while (at.page < page)
        at = stepForward(at);
    while (at.page > page)
        at = stepBackward(at);
    const Record record = recordAt(at.start);
    if (record.page != page)
        bad(QStringLiteral("record at %1 carries page number %2, not %3")
                .arg(at.start)
                .arg(record.page)
                .arg(page));
    return at;
}

QByteArray ReportFileReader::pictureOf(const Record& record) const {
    QByteArray stored = m_stream.readAt(record.start + F::kRecordLead, record.pictureSize());
    if (!m_compressed)
        return stored;
    QString why;
    QByteArray picture = F::uncompressPicture(stored, kMaxPictureSize, &why);
    if (!why.isEmpty())
        bad(QStringLiteral("page %1: %2").arg(record.page).arg(why));
    return picture;
}

QByteArray ReportFileReader::picture(PagePosition at) const {
    return pictureOf(recordAt(at.start));
}

QByteArray ReportFileReader::storedPicture(PagePosition at) const {
    const Record record = recordAt(at.start);
    return m_stream.readAt(record.start + F::kRecordLead, record.pictureSize());
}

qint64 ReportFileReader::pictureLength(PagePosition at) const {
    const Record record = recordAt(at.start);
    if (!m_compressed)
        return record.pictureSize();
    const qint64 length = F::declaredLength(m_stream.readAt(
        record.start + F::kRecordLead, qMin<qint64>(F::kCompressedLead, record.pictureSize())));
    if (length < 0)
        bad(QStringLiteral("page %1: compressed picture without its length").arg(record.page));
    return length;
}

} // namespace qlx
