#include "metafile/MetafilePicture.h"

#include "metafile/MetafileLimits.h"
#include "pictures/Picture.h"

namespace qlx {

QSize MetafilePicture::frameSizeAt96Dpi() const {
    const QSizeF mm = m_metafile.frameMm();
    const QSize pixels(qRound(mm.width() * 96 / 25.4), qRound(mm.height() * 96 / 25.4));
    // A frame too small to make a pixel of says nothing of the size: the bounds do.
    return pixels.width() >= 1 && pixels.height() >= 1 ? pixels : m_metafile.size();
}

void MetafilePicture::draw(QPainter& painter, const QRectF& target) const {
    m_metafile.play(painter, target);
}

std::string MetafilePicture::drawBounded(QPainter& painter, const QRectF& target) const {
    std::string problem;
    if (m_metafile.play(painter, target, &problem))
        return std::string();
    // A bitmap inside that cannot be decoded leaves a gap, as it always has; only the cost
    // cuts the picture short.
    return problem.rfind(metafile_limits::kWorkCutShort, 0) == 0 ? problem : std::string();
}

void registerMetafilePictures() {
    // The kind is taken from the bytes, not from the name: an .emf that holds a Windows
    // metafile still plays, as the platform's own loader would have it.
    Picture::setMetafileLoader([](const QByteArray& bytes, bool /*enhanced*/) {
        return std::shared_ptr<const VectorPicture>(
            std::make_shared<const MetafilePicture>(Metafile::fromBytes(bytes)));
    });
}

} // namespace qlx
