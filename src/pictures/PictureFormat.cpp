#include "pictures/PictureFormat.h"

#include <cstdint>

namespace qlx {

namespace {

// Little-endian reads that report whether the bytes were there.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_bytes(bytes) {}

    bool has(qint64 offset, qint64 count) const {
        return offset >= 0 && count >= 0 && offset <= m_bytes.size() &&
               count <= m_bytes.size() - offset;
    }
    uint32_t u16(qint64 offset, bool& ok) const { return get(offset, 2, ok); }
    uint32_t u32(qint64 offset, bool& ok) const { return get(offset, 4, ok); }

private:
    uint32_t get(qint64 offset, int count, bool& ok) const {
        if (!has(offset, count)) {
            ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = (value << 8) | static_cast<uint8_t>(m_bytes[offset + i]);
        return value;
    }

    const QByteArray& m_bytes;
};

} // namespace

PictureFormat::Kind PictureFormat::sniff(const QByteArray& bytes) {
    const Reader r(bytes);
    bool ok = true;
    if (bytes.startsWith("BM"))
        return Kind::Bmp;
    if (bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return Kind::Png;
    if (bytes.startsWith(QByteArray("\xFF\xD8\xFF", 3)))
        return Kind::Jpeg;
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return Kind::Gif;
    if (r.u32(0, ok) == 1 && r.u32(40, ok) == 0x464D4520 && ok) // EMR_HEADER and " EMF"
        return Kind::Emf;
    ok = true;
    if (r.u32(0, ok) == 0x9AC6CDD7 && ok) // placeable metafile key
        return Kind::Wmf;
    ok = true;
    const uint32_t wmfType = r.u16(0, ok), wmfHeaderWords = r.u16(2, ok), wmfVersion = r.u16(4, ok);
    if (ok && (wmfType == 1 || wmfType == 2) && wmfHeaderWords == 9 &&
        (wmfVersion == 0x100 || wmfVersion == 0x300))
        return Kind::Wmf;
    ok = true;
    if (r.u16(0, ok) == 0 && r.u16(2, ok) == 1 && r.u16(4, ok) >= 1 && ok)
        return Kind::Ico;
    return Kind::Unknown;
}

} // namespace qlx
