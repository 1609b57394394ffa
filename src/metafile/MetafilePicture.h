#pragma once

#include "metafile/Metafile.h"
#include "pictures/VectorPicture.h"

namespace qlx {

// A metafile as the picture of an image control: Picture asks for no more than its size and
// to play it stretched.
class MetafilePicture : public VectorPicture {
public:
    explicit MetafilePicture(Metafile metafile)
        : m_metafile(std::move(metafile)) {}

    QSize size() const override { return m_metafile.size(); }
    QSize frameSizeAt96Dpi() const override;
    void draw(QPainter& painter, const QRectF& target) const override;
    std::string drawBounded(QPainter& painter, const QRectF& target) const override;

    const Metafile& metafile() const { return m_metafile; }

private:
    Metafile m_metafile;
};

// Makes Picture read .emf and .wmf files (and metafiles found by content) with this layer's
// metafile reader. Call once at start-up, before any picture is loaded.
void registerMetafilePictures();

} // namespace qlx
