#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>

namespace qlx {

class PageStream;

// Where a page's record starts in the stream.
struct PagePosition {
    qint32 page = 0;
    qint64 start = -1;

    bool isKnown() const { return page > 0 && start >= 0; }
};

// Reads a stream laid out as a prepared report file. Every offset is checked against the
// stream before it is used, and every walk along the offsets moves strictly forward or
// strictly backward, so a damaged stream ends in a ReportFileError, never in a loop.
class ReportFileReader {
public:
    // No page picture is taken in beyond this size (a sheet at screen resolution is far
    // smaller), so a damaged size never leads to an outsized allocation.
    static constexpr qint64 kMaxPictureSize = 256LL * 1024 * 1024;

    // One page record: its page number, where it starts and where the next one starts.
    struct Record {
        qint32 page = 0;
        qint64 start = 0;
        qint64 next = 0;
        qint64 pictureSize() const;
    };
    // `length` bytes of a stream from `offset`; each source deals with a short read its own way.
    using ByteSource = std::function<QByteArray(qint64 offset, qint64 length)>;
    using RecordVisitor = std::function<void(const Record&)>;

    // Checks the header and the chain of page records of a stream of `size` bytes read
    // through `bytes`, reading only those few bytes: every offset against the stream, every
    // record's page number, and nothing after the last record. Each record is handed to
    // `visit` (when set) in page order once it has passed. Returns the page count; throws
    // ReportFileError saying what was wrong. The one walk of both a stream and a file that
    // has not been copied yet.
    static qint32 walkRecords(qint64 size, const ByteSource& bytes, const RecordVisitor& visit);

    // Reads the header's compression flag, when the stream holds a header.
    explicit ReportFileReader(const PageStream& stream);

    // The stream's page pictures are stored compressed.
    bool compressed() const { return m_compressed; }

    // Checks the whole stream: header, every record and its offsets, and every page picture
    // against EmfPictureCheck. Returns the page count; throws ReportFileError.
    qint32 validate() const;

    // Finds the record of `page` out of `pageCount`: page 1 right after the header, the last
    // page through the stream's final 4 bytes, any other by walking the record offsets from
    // the nearest of those and `from` (where the stream last stood).
    PagePosition locate(qint32 page, qint32 pageCount, PagePosition from) const;

    // The page picture of the record at `at`, uncompressed when the stream stores it
    // compressed.
    QByteArray picture(PagePosition at) const;
    // The picture bytes as the record holds them.
    QByteArray storedPicture(PagePosition at) const;
    // The length of the record's page picture uncompressed, read without uncompressing it:
    // the stored size in a plain stream, the declared length in a compressed one.
    qint64 pictureLength(PagePosition at) const;

private:
    // The record at `start`, its offsets checked against the stream.
    static Record recordAt(qint64 size, const ByteSource& bytes, qint64 start);
    Record recordAt(qint64 start) const;
    PagePosition lastPage(qint32 pageCount) const;
    PagePosition stepForward(PagePosition at) const;
    PagePosition stepBackward(PagePosition at) const;

    QByteArray pictureOf(const Record& record) const;

    const PageStream& m_stream;
    ByteSource m_bytes; // the stream's readAt
    bool m_compressed = false;
};

} // namespace qlx
