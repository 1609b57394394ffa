#pragma once

#include "metafile/MetafileBytes.h"
#include "metafile/MetafileCanvas.h"
#include "metafile/MetafileGdi.h"
#include "metafile/MetafileLimits.h"

#include <QPainter>
#include <QRect>
#include <QSize>
#include <functional>
#include <queue>
#include <string>
#include <vector>

namespace qlx {

class MetafileDib;

// Reads and plays Windows metafiles (with or without the placeable header) with the same
// drawing state as the enhanced metafile player. Without a painter every record is checked.
class WmfPlayer {
public:
    struct Picture {
        QRect logical; // the picture's rectangle in its logical units
        QSize pixels;  // its size at 96 dots per inch
    };

    static bool looksLikeWmf(const unsigned char* data, size_t size);
    static Picture picture(const unsigned char* data, size_t size);
    // Returns the first part that could not be drawn, or an empty text when the whole
    // picture was drawn.
    static std::string play(const unsigned char* data, size_t size, QPainter* painter,
                            const QRectF& target,
                            uint64_t workBudget = metafile_limits::kMaxPaintUnits);

private:
    using Object = GdiObject;
    struct Layout {
        size_t headerAt = 0;  // the META_HEADER
        size_t recordsAt = 0; // the first record
        size_t end = 0;       // one past the last byte of the metafile
        uint16_t objects = 0; // object table size
        bool placeable = false;
        QRect bbox;
        uint16_t inch = 0;
    };
    static Layout layout(const ByteView& file);
    static std::vector<ByteView> records(const ByteView& file, const Layout& l);

    WmfPlayer(QPainter* painter, const QTransform& base, uint16_t objects);
    ~WmfPlayer();
    void record(uint16_t function, const ByteView& params);
    // The records of one family each; false when the record is of another.
    bool stateRecord(uint16_t function, const ByteView& p);
    bool drawRecord(uint16_t function, const ByteView& p);
    bool objectRecord(uint16_t function, const ByteView& p);
    void create(Object&& object);
    void select(uint16_t index);
    void remove(uint16_t index);
    void bitmap(uint16_t function, const ByteView& p);
    void text(uint16_t function, const ByteView& p);

    MetafileCanvas m_canvas;
    std::vector<Object> m_objects;
    // The empty slots of m_objects, lowest first: a new object takes the lowest one.
    std::priority_queue<uint16_t, std::vector<uint16_t>, std::greater<uint16_t>> m_freeSlots;
    std::vector<QRgb> m_palette;
};

} // namespace qlx
