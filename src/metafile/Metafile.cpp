#include "metafile/Metafile.h"

#include "metafile/BitmapCache.h"
#include "metafile/EmfPlayer.h"
#include "metafile/EmfReader.h"
#include "metafile/WmfPlayer.h"
#include "stores/Error.h"

namespace qlx {

namespace {

const unsigned char* data(const QByteArray& b) {
    return reinterpret_cast<const unsigned char*>(b.constData());
}

} // namespace

// The bitmaps earlier playbacks of these bytes decoded are kept in the process's bitmap cache
// under this owner, and dropped when the last copy of the picture goes.
struct Metafile::PlaybackCache {
    const uint64_t owner = BitmapCache::instance().newOwner();
    PlaybackCache() = default;
    PlaybackCache(const PlaybackCache&) = delete;
    PlaybackCache& operator=(const PlaybackCache&) = delete;
    ~PlaybackCache() { BitmapCache::instance().dropOwner(owner); }
};

Metafile Metafile::fromBytes(const std::string& bytes) {
    return fromBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Metafile Metafile::fromBytes(const QByteArray& bytes) {
    Metafile m;
    m.m_bytes = bytes;
    const size_t size = static_cast<size_t>(bytes.size());
    if (EmfReader::looksLikeEmf(data(bytes), size)) {
        const EmfHeader h = EmfReader::readHeader(data(bytes), size);
        EmfPlayer::play(data(bytes), size, nullptr, QRectF()); // checks every record
        m.m_format = Format::Emf;
        m.m_cache = std::make_shared<PlaybackCache>();
        m.m_bounds = h.bounds;
        m.m_size = h.bounds.size();
        m.m_frameMm = QSizeF((h.frame.right() - h.frame.left()) / 100.0,
                             (h.frame.bottom() - h.frame.top()) / 100.0);
        if (m.m_size.isEmpty())
            throw Error("The enhanced metafile is damaged: its picture has no size");
        return m;
    }
    if (WmfPlayer::looksLikeWmf(data(bytes), size)) {
        const WmfPlayer::Picture p = WmfPlayer::picture(data(bytes), size);
        WmfPlayer::play(data(bytes), size, nullptr, QRectF());
        m.m_format = Format::Wmf;
        m.m_bounds = p.logical;
        m.m_size = p.pixels;
        m.m_frameMm = QSizeF(p.pixels.width() * 25.4 / 96, p.pixels.height() * 25.4 / 96);
        return m;
    }
    throw Error("The file is not a metafile");
}

const uint64_t Metafile::kDefaultWorkBudget = metafile_limits::kMaxPaintUnits;

bool Metafile::play(QPainter& painter, const QRectF& target, std::string* problem,
                    uint64_t workBudget) const {
    if (isNull() || !painter.isActive() || target.isEmpty())
        return true;
    const size_t size = static_cast<size_t>(m_bytes.size());
    std::string missing;
    try {
        if (m_format == Format::Emf)
            missing =
                EmfPlayer::play(data(m_bytes), size, &painter, target, m_cache->owner, workBudget);
        else
            missing = WmfPlayer::play(data(m_bytes), size, &painter, target, workBudget);
    } catch (const Error& failure) {
        // Checked when made; a record that still fails ends the drawing there.
        missing = failure.what();
    }
    if (problem)
        *problem = missing;
    return missing.empty();
}

} // namespace qlx
