#pragma once

#include "report/EmfReader.h"
#include "report/MetafileCanvas.h"

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

    static void play(const unsigned char* data, size_t size, QPainter* painter,
                     const QRectF& target);

private:
    struct Object;
    EmfPlayer(const EmfHeader& header, QPainter* painter, const QTransform& base);
    ~EmfPlayer();
    void record(const EmfRecord& r);
    void objectRecord(uint32_t type, const ByteView& v);
    void drawRecord(uint32_t type, const ByteView& v);
    void bitmapRecord(uint32_t type, const ByteView& v);
    void textRecord(uint32_t type, const ByteView& v);
    void selectObject(uint32_t handle);
    Object& slot(uint32_t handle);

    EmfHeader header_;
    MetafileCanvas canvas_;
    std::vector<Object> objects_;
    std::vector<QRgb> palette_;
};

} // namespace qlx
