#pragma once

#include "metafile/MetafileBytes.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

namespace qlx {

// The header of an enhanced metafile, as read and checked.
struct EmfHeader {
    QRect bounds; // device pixels, from the inclusive rclBounds
    QRect frame;  // 0.01 mm, as stored (left, top, right, bottom)
    QSize devicePixels;
    QSize deviceMillimetres;
    QSize deviceMicrometres; // empty when the header is too short to hold it
    uint32_t bytes = 0;
    uint32_t records = 0;
    uint16_t handles = 0;
    QString description;
    uint32_t headerSize = 0;
};

struct EmfRecord {
    uint32_t type = 0;
    ByteView data; // the whole record, type and size included
};

// Reads the framing of an enhanced metafile: the header and the chain of records up to
// EMR_EOF, with every size and offset checked against the file. Record contents are checked
// by whoever interprets them.
class EmfReader {
public:
    static bool looksLikeEmf(const unsigned char* data, size_t size);
    static EmfHeader readHeader(const unsigned char* data, size_t size);
    static std::vector<EmfRecord> readRecords(const unsigned char* data, size_t size,
                                              const EmfHeader& header);
};

} // namespace qlx
