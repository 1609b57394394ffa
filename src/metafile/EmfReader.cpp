#include "metafile/EmfReader.h"

#include "metafile/EmfRecords.h"
#include "metafile/MetafileLimits.h"

namespace qlx {

namespace {

constexpr uint32_t kMinHeaderSize = 88;
constexpr int32_t kCoordinateLimit = 1 << 28;

[[noreturn]] void damaged(const std::string& what) {
    throw Error("The enhanced metafile is damaged: " + what);
}

QRect rectAt(const ByteView& v, size_t at) {
    const int32_t l = v.i32(at), t = v.i32(at + 4), r = v.i32(at + 8), b = v.i32(at + 12);
    for (int32_t c : {l, t, r, b}) {
        if (c < -kCoordinateLimit || c > kCoordinateLimit)
            damaged("its header rectangle is out of range");
    }
    return QRect(QPoint(l, t), QPoint(r, b));
}

} // namespace

bool EmfReader::looksLikeEmf(const unsigned char* data, size_t size) {
    const ByteView v(data, size);
    return v.fits(0, 44) && v.u32(0) == emr::HEADER && v.u32(40) == emr::kSignature;
}

EmfHeader EmfReader::readHeader(const unsigned char* data, size_t size) {
    const ByteView file(data, size);
    if (!file.fits(0, kMinHeaderSize))
        damaged("the file is shorter than a metafile header");
    if (file.u32(0) != emr::HEADER || file.u32(40) != emr::kSignature)
        throw Error("The file is not an enhanced metafile");
    EmfHeader h;
    h.headerSize = file.u32(4);
    if (h.headerSize < kMinHeaderSize || h.headerSize % 4 != 0 || h.headerSize > size)
        damaged("its header has an invalid size");
    const ByteView hdr = file.sub(0, h.headerSize, "the header");
    h.bounds = rectAt(hdr, 8);
    h.frame = rectAt(hdr, 24);
    h.bytes = hdr.u32(48);
    h.records = hdr.u32(52);
    h.handles = hdr.u16(56);
    if (h.bytes > size)
        damaged("the file is truncated");
    if (h.bytes < h.headerSize)
        damaged("its size is smaller than its header");
    if (h.handles == 0)
        damaged("its handle table has no entries");
    if (h.records < 2)
        damaged("it holds fewer than two records");

    const uint32_t nDesc = hdr.u32(60), offDesc = hdr.u32(64);
    if (nDesc > 0) {
        if (offDesc < kMinHeaderSize || !hdr.fits(offDesc, static_cast<size_t>(nDesc) * 2))
            damaged("its description lies outside the header");
        QString text;
        for (uint32_t i = 0; i < nDesc; ++i)
            text.append(QChar(hdr.u16(offDesc + 2 * i)));
        h.description = text;
    }
    h.devicePixels = QSize(hdr.i32(72), hdr.i32(76));
    h.deviceMillimetres = QSize(hdr.i32(80), hdr.i32(84));
    if (h.devicePixels.width() <= 0 || h.devicePixels.height() <= 0 ||
        h.deviceMillimetres.width() <= 0 || h.deviceMillimetres.height() <= 0)
        damaged("its reference device has no size");
    if (h.headerSize >= 100) {
        const uint32_t cbPixelFormat = hdr.u32(88), offPixelFormat = hdr.u32(92);
        if (cbPixelFormat > 0 &&
            (offPixelFormat < kMinHeaderSize || !hdr.fits(offPixelFormat, cbPixelFormat)))
            damaged("its pixel format lies outside the header");
    }
    // The micrometre size is only there when the header is long enough and no description
    // or pixel format starts where it would stand.
    const bool extra = (nDesc == 0 || offDesc >= 108) && h.headerSize >= 108;
    if (extra && hdr.i32(100) > 0 && hdr.i32(104) > 0)
        h.deviceMicrometres = QSize(hdr.i32(100), hdr.i32(104));
    return h;
}

std::vector<EmfRecord> EmfReader::readRecords(const unsigned char* data, size_t size,
                                              const EmfHeader& header) {
    const ByteView file(data, std::min<size_t>(size, header.bytes));
    std::vector<EmfRecord> records;
    size_t at = 0;
    while (true) {
        if (!file.fits(at, 8))
            damaged("it ends without an end-of-file record");
        const uint32_t type = file.u32(at);
        const uint32_t recordSize = file.u32(at + 4);
        if (recordSize < 8 || recordSize % 4 != 0)
            damaged("record " + std::to_string(records.size() + 1) + " has an invalid size");
        if (!file.fits(at, recordSize))
            damaged("record " + std::to_string(records.size() + 1) +
                    " runs past the end of the file");
        if (at > 0 && type == emr::HEADER)
            damaged("it holds a second header");
        // Counted as they are read: a file of millions of tiny records is refused at the
        // cap, before a list of all of them is made.
        if (records.size() >= metafile_limits::kMaxRecords)
            throw Error("The enhanced metafile is too complex: it holds more than " +
                        std::to_string(metafile_limits::kMaxRecords) + " records");
        records.push_back({type, file.sub(at, recordSize, "a record")});
        at += recordSize;
        if (type == emr::EOF_) {
            if (recordSize < 20)
                damaged("its end-of-file record is too short");
            return records;
        }
    }
}

} // namespace qlx
