#pragma once

#include <QRectF>
#include <QSize>
#include <string>

class QPainter;

namespace qlx {

// A picture made of drawing commands (an enhanced or a Windows metafile). The reader and
// player live in a lower layer and register themselves with Picture; this is all a picture
// needs of them. Instances are immutable once made, so pictures share them freely.
class VectorPicture {
public:
    virtual ~VectorPicture();

    // The picture's natural size in pixels.
    virtual QSize size() const = 0;

    // The size its frame (its physical size) has at 96 dots per inch: the size a picture to
    // draw on is made at. Without a frame, the natural size.
    virtual QSize frameSizeAt96Dpi() const { return size(); }

    // Plays the picture stretched into `target`.
    virtual void draw(QPainter& painter, const QRectF& target) const = 0;

    // Plays it as draw does, and returns why the drawing was cut short when the picture took
    // more work than a playback may (what was drawn stays), or an empty text.
    virtual std::string drawBounded(QPainter& painter, const QRectF& target) const {
        draw(painter, target);
        return std::string();
    }
};

} // namespace qlx
