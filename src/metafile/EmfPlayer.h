#pragma once

#include <QImage>
#include <unordered_map>

#include "metafile/EmfReader.h"
#include "metafile/MetafileCanvas.h"
#include "metafile/MetafileGdi.h"

#include <QPainter>
#include <QRectF>
#include <memory>

namespace qlx {

// Interprets the records of an enhanced metafile on a MetafileCanvas. With a painter the
// picture is drawn stretched into the target rectangle; without one every record is only
// checked. The first bad record throws qlx::Error; unknown records are skipped.
class EmfPlayer {
public:
    // The picture's frame in the reference device's pixels: the rectangle that is stretched
    // onto the target.
    static QRectF deviceFrame(const EmfHeader& header);

    // Bitmaps decoded during one playback, kept for the next playback of the same bytes:
    // decoding a label-sized bitmap costs far more than drawing it.
    using BitmapCache = std::unordered_map<const unsigned char*, QImage>;

    static void play(const unsigned char* data, size_t size, QPainter* painter,
                     const QRectF& target, BitmapCache* cache = nullptr);

private:
    using Object = GdiObject;
    EmfPlayer(const EmfHeader& header, QPainter* painter, const QTransform& base,
              BitmapCache* cache);
    ~EmfPlayer();
    void record(const EmfRecord& r);
    void objectRecord(uint32_t type, const ByteView& v);
    void drawRecord(uint32_t type, const ByteView& v);
    void bitmapRecord(uint32_t type, const ByteView& v);
    void textRecord(uint32_t type, const ByteView& v);
    void selectObject(uint32_t handle);
    Object& slot(uint32_t handle);

    EmfHeader m_header;
    MetafileCanvas m_canvas;
    std::vector<Object> m_objects;
    std::vector<QRgb> m_palette;
    BitmapCache* m_cache = nullptr;
};

} // namespace qlx
