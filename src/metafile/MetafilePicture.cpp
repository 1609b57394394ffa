#include "metafile/MetafilePicture.h"

#include "platform/Picture.h"

namespace qlx {

void MetafilePicture::draw(QPainter& painter, const QRectF& target) const {
    m_metafile.play(painter, target);
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
