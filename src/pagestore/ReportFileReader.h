#pragma once

#include <QByteArray>
#include <QtGlobal>

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
    struct Record {
        qint32 page = 0;
        qint64 start = 0;
        qint64 next = 0;
        qint64 pictureSize() const;
    };

    Record recordAt(qint64 start) const;
    PagePosition lastPage(qint32 pageCount) const;
    PagePosition stepForward(PagePosition at) const;
    PagePosition stepBackward(PagePosition at) const;

    QByteArray pictureOf(const Record& record) const;

    const PageStream& m_stream;
    bool m_compressed = false;
};

} // namespace qlx
