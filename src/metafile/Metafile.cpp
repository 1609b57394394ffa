#include "metafile/Metafile.h"

#include "metafile/EmfPlayer.h"
#include "metafile/EmfReader.h"
#include "metafile/WmfPlayer.h"
#include "stores/Error.h"

#include <mutex>

namespace qlx {

namespace {

const unsigned char* data(const QByteArray& b) {
    return reinterpret_cast<const unsigned char*>(b.constData());
}

} // namespace

// Bitmaps decoded by earlier playbacks of these bytes; playback runs on the thread that
// paints, and the lock keeps copies that are played elsewhere safe all the same.
struct Metafile::PlaybackCache {
    std::mutex lock;
    EmfPlayer::BitmapCache bitmaps;
};

Metafile Metafile::fromBytes(const std::string& bytes) {
    return fromBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Metafile Metafile::fromBytes(const QByteArray& bytes) {
    Metafile m;
    m.bytes_ = bytes;
    const size_t size = static_cast<size_t>(bytes.size());
    if (EmfReader::looksLikeEmf(data(bytes), size)) {
        const EmfHeader h = EmfReader::readHeader(data(bytes), size);
        EmfPlayer::play(data(bytes), size, nullptr, QRectF()); // checks every record
        m.format_ = Format::Emf;
        m.cache_ = std::make_shared<PlaybackCache>();
        m.bounds_ = h.bounds;
        m.size_ = h.bounds.size();
        m.frameMm_ = QSizeF((h.frame.right() - h.frame.left()) / 100.0,
                            (h.frame.bottom() - h.frame.top()) / 100.0);
        if (m.size_.isEmpty())
            throw Error("The enhanced metafile is damaged: its picture has no size");
        return m;
    }
    if (WmfPlayer::looksLikeWmf(data(bytes), size)) {
        const WmfPlayer::Picture p = WmfPlayer::picture(data(bytes), size);
        WmfPlayer::play(data(bytes), size, nullptr, QRectF());
        m.format_ = Format::Wmf;
        m.bounds_ = p.logical;
        m.size_ = p.pixels;
        m.frameMm_ = QSizeF(p.pixels.width() * 25.4 / 96, p.pixels.height() * 25.4 / 96);
        return m;
    }
    throw Error("The file is not a metafile");
}

void Metafile::play(QPainter& painter, const QRectF& target) const {
    if (isNull() || !painter.isActive() || target.isEmpty())
        return;
    const size_t size = static_cast<size_t>(bytes_.size());
    try {
        if (format_ == Format::Emf) {
            const std::lock_guard<std::mutex> hold(cache_->lock);
            EmfPlayer::play(data(bytes_), size, &painter, target, &cache_->bitmaps);
        } else {
            WmfPlayer::play(data(bytes_), size, &painter, target);
        }
    } catch (const Error&) {
        // Checked when made; a record that still fails ends the drawing there.
    }
}

} // namespace qlx
