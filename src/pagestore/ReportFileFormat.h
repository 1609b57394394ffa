#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace qlx {

// The byte layout shared by the prepared report file (.LFP) and the page store's own stream.
// All integers are little-endian.
//
//   header, 128 bytes: version 3 (u16), 305 (u16), reserved (4), page count (i32), reserved (4),
//                      date (f64, days since 30 Dec 1899), reserved (1), compression (u8),
//                      reserved (102)
//   then one record per page, in page order:
//                      page number (i32), offset of the next record (i32), picture bytes,
//                      offset of this record's start (i32)
// With compression 1 each record's picture bytes are the picture's length (u32, little-endian,
// unlike qCompress's big-endian prefix) followed by the picture as a zlib stream.
class ReportFileFormat {
public:
    static constexpr int kHeaderSize = 128;
    static constexpr quint16 kVersion = 3;
    static constexpr quint16 kSignature = 305;
    static constexpr int kSignatureOffset = 2;
    static constexpr int kPageCountOffset = 8;
    static constexpr int kDateOffset = 16;
    static constexpr int kCompressionOffset = 25;
    // Page number and next-record offset before the picture, the record's start after it.
    static constexpr int kRecordLead = 8;
    static constexpr int kRecordOverhead = 12;
    // Offsets are signed 32-bit values, so no stream can be longer than this.
    static constexpr qint64 kMaxStreamSize = 0x7fffffff;
    // The compression byte's values.
    static constexpr quint8 kPlain = 0;
    static constexpr quint8 kCompressed = 1;
    // The length before a compressed picture's zlib stream.
    static constexpr int kCompressedLead = 4;
    // zlib's deflate never shrinks data by more than about 1032 to 1; a declared length
    // beyond that many times the stored bytes (plus a little) cannot be true.
    static constexpr qint64 kMaxInflateRatio = 1032;

    struct Header {
        quint16 version = 0;
        quint16 signature = 0;
        qint32 pageCount = 0;
        double date = 0.0;
        quint8 compression = 0;
    };

    static QByteArray encodeHeader(qint32 pageCount, double date, quint8 compression = kPlain);
    // Expects at least kHeaderSize bytes; reads the fields without judging them.
    static Header decodeHeader(const QByteArray& bytes);

    // Why a stream of `size` bytes cannot be a report: too short for the header, or longer
    // than its offsets can reach. Empty when the size is possible.
    static QString sizeProblem(qint64 size);
    // Why the header of a stream of `size` bytes cannot open a report this program reads.
    // Empty when it can; the page records are checked on their own.
    static QString headerProblem(const Header& header, qint64 size);

    // One page record whose first byte lands at `start` in the stream.
    static QByteArray encodeRecord(qint32 pageNumber, qint64 start, const QByteArray& picture);

    // zlib's fastest level: what the page store uses for the pages of a long run, where a
    // page's time counts more than its last few bytes.
    static constexpr int kFastCompression = 1;
    // zlib's default level, for Save report.
    static constexpr int kDefaultCompression = -1;

    // A page picture as a compressed record holds it: its length, then its zlib stream at
    // zlib level `level`.
    static QByteArray compressPicture(const QByteArray& picture, int level = kDefaultCompression);
    // The uncompressed length a compressed record's picture bytes declare; -1 when they are
    // too short to hold one.
    static qint64 declaredLength(const QByteArray& stored);
    // The picture inside a compressed record's bytes. The declared length is checked against
    // `limit` and against what the stored bytes can expand to before anything is allocated,
    // and the zlib stream must give exactly that many bytes. Empty, with `problem` set, when
    // the bytes are not such a picture.
    static QByteArray uncompressPicture(const QByteArray& stored, qint64 limit, QString* problem);

    // The date as written into the header: days since 30 December 1899, the fraction being
    // the time of day.
    static double toDays(const QDateTime& when);
    static QDateTime fromDays(double days);

    static qint32 int32At(const QByteArray& bytes, qsizetype offset);
    static QByteArray int32Bytes(qint32 value);
};

} // namespace qlx
