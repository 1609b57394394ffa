#pragma once

#include "metafile/EmfReader.h"
#include "metafile/MetafileCanvas.h"
#include "metafile/MetafileGdi.h"
#include "metafile/MetafileLimits.h"

#include <QPainter>
#include <QRectF>
#include <memory>
#include <string>

namespace qlx {

class MetafileDib;

// Interprets the records of an enhanced metafile on a MetafileCanvas. With a painter the
// picture is drawn stretched into the target rectangle; without one every record is only
// checked. The first bad record throws qlx::Error; unknown records are skipped.
class EmfPlayer {
public:
    // The picture's frame in the reference device's pixels: the rectangle that is stretched
    // onto the target.
    static QRectF deviceFrame(const EmfHeader& header);

    // cacheOwner: the BitmapCache owner the decoded bitmaps are kept under (0: none kept).
    // Returns the first part that could not be drawn (a bitmap that cannot be decoded), or
    // an empty text when the whole picture was drawn.
    static std::string play(const unsigned char* data, size_t size, QPainter* painter,
                            const QRectF& target, uint64_t cacheOwner = 0,
                            uint64_t workBudget = metafile_limits::kMaxPaintUnits);

private:
    using Object = GdiObject;
    EmfPlayer(const EmfHeader& header, QPainter* painter, const QTransform& base,
              uint64_t cacheOwner);
    ~EmfPlayer();
    void record(const EmfRecord& r);
    // The records of one family each; false when the record is of another.
    bool coordinateRecord(uint32_t type, const ByteView& v);
    bool stateRecord(uint32_t type, const ByteView& v);
    bool pathAndClipRecord(uint32_t type, const ByteView& v);
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
    uint64_t m_cacheOwner = 0;
    const unsigned char* m_data = nullptr; // the file, for the cache's keys
};

} // namespace qlx
