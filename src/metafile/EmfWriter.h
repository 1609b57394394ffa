#pragma once

#include "metafile/MetafileBytes.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace qlx {

// The logical font of an EMR_EXTCREATEFONTINDIRECTW record.
struct EmfLogFont {
    int32_t height = 0; // negative: character (em) height in pixels
    int32_t width = 0;
    int32_t escapement = 0; // tenths of a degree
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charSet = 1; // DEFAULT_CHARSET
    QString faceName;

    bool operator==(const EmfLogFont& o) const {
        return height == o.height && width == o.width && escapement == o.escapement &&
               weight == o.weight && italic == o.italic && underline == o.underline &&
               strikeOut == o.strikeOut && charSet == o.charSet && faceName == o.faceName;
    }
};

// Writes an enhanced metafile record by record in device pixels (MM_TEXT). The header is
// written first and completed by finish() with the size, record count and handle count.
// Object handles are allotted from the lowest free slot, so a drawing that deletes what it
// no longer selects keeps the handle table small.
class EmfWriter {
public:
    EmfWriter(QSize pagePixels, double dotsPerInch, const QString& description);

    // Objects; each create returns the handle index.
    uint32_t createPen(uint32_t penStyle, uint32_t width, QRgb colour);
    uint32_t createBrush(uint32_t brushStyle, QRgb colour, uint32_t hatch);
    uint32_t createFont(const EmfLogFont& font);
    void selectObject(uint32_t handle);
    void deleteObject(uint32_t handle);

    // Drawing state.
    void setUInt(uint32_t type, uint32_t value); // SETBKMODE, SETTEXTALIGN, SETMAPMODE, ...
    void setColour(uint32_t type, QRgb colour);  // SETTEXTCOLOR, SETBKCOLOR
    void selectClipRegion(const QRegion& region, uint32_t mode);
    void resetClip();

    // Drawing, all in device pixels.
    void rectangle(const QRect& inclusiveExclusive);
    void ellipse(const QRect& inclusiveExclusive);
    void poly(uint32_t type, const std::vector<QPoint>& points);
    void polyPoly(uint32_t type, const std::vector<std::vector<QPoint>>& polys);
    void moveTo(QPoint p);
    void noArgs(uint32_t type);                      // BEGINPATH, ENDPATH, CLOSEFIGURE, SAVEDC, ...
    void pathOp(uint32_t type, const QRect& bounds); // FILLPATH, STROKEPATH, STROKEANDFILLPATH
    void stretchDibits(const QRect& dest, const QImage& image, uint32_t rop);
    void extTextOutW(QPoint reference, const QString& text, const std::vector<int32_t>& dx,
                     const QRect& bounds, uint32_t options);

    // Ends the metafile with EMR_EOF and returns its bytes.
    std::string finish();
    // The most bytes the metafile may take; a picture that would pass it is left out while
    // recording (so the bytes stop growing) and finish() throws "The report is too large".
    // 0: no limit.
    void setByteLimit(size_t limit) { m_byteLimit = limit; }

    uint32_t handleSlots() const { return static_cast<uint32_t>(m_slots.size()) + 1; }

private:
    size_t begin(uint32_t type);
    void end(size_t start);
    void rect(const QRect& r);
    void boundsOf(const std::vector<QPoint>& points);
    uint32_t allocate();

    ByteWriter m_out;
    uint32_t m_records = 0;
    std::vector<bool> m_slots; // slot i holds handle i + 1
    bool m_finished = false;
    size_t m_byteLimit = 0;
    bool m_overLimit = false;
};

} // namespace qlx
