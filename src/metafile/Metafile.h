#pragma once

// The metafile engine. This folder is a self-contained EMF/WMF library: the record layouts
// (EmfRecords.h), a writer and a QPaintEngine that records any QPainter drawing as an EMF
// (EmfRecorder), a reader that checks every record of an EMF or WMF before anything is drawn,
// the players that draw either kind onto a QPainter through one GDI-like canvas (objects, DIBs,
// clipping), and the picture wrapper the pictures layer shows. It knows nothing of labels or
// sheets, and reads and writes no report file; everything above it sees a Metafile made from
// bytes. One message is the report's own: a recording given a byte limit (the largest page a
// report file holds) ends with "The report is too large" once a picture did not fit.

#include <QByteArray>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <memory>
#include <string>

namespace qlx {

// A vector picture: an enhanced metafile (EMF) or a Windows metafile (WMF, with or without
// its placeable header). Made from bytes, which are checked completely (every record is read
// once without drawing), so a picture that exists can always be played. Copies share the
// bytes.
class Metafile {
public:
    enum class Format { None, Emf, Wmf };

    Metafile() = default;
    // Throws qlx::Error with a message naming the problem when the bytes are not a sound
    // metafile of either kind.
    static Metafile fromBytes(const QByteArray& bytes);
    static Metafile fromBytes(const std::string& bytes);

    bool isNull() const { return m_format == Format::None; }
    Format format() const { return m_format; }
    const QByteArray& bytes() const { return m_bytes; }

    // EMF: the header bounds in device pixels; WMF: the picture's logical rectangle.
    QRect bounds() const { return m_bounds; }
    // The picture's size in pixels at 96 dots per inch (EMF: the bounds).
    QSize size() const { return m_size; }
    // The physical size in millimetres (EMF: the frame).
    QSizeF frameMm() const { return m_frameMm; }

    // Draws the picture stretched into target (in the painter's current coordinates). The
    // painter's state is left as it was. Returns false when part of the picture could not be
    // drawn (a bitmap inside it cannot be decoded: the rest is drawn all the same); problem
    // then gets the reason.
    // A picture that takes more than workBudget painted-pixel units to draw
    // (metafile_limits::kMaxPaintUnits) is cut short there: what was drawn stays, and the
    // problem says so.
    bool play(QPainter& painter, const QRectF& target, std::string* problem = nullptr,
              uint64_t workBudget = kDefaultWorkBudget) const;
    static const uint64_t kDefaultWorkBudget;

private:
    struct PlaybackCache;

    Format m_format = Format::None;
    QByteArray m_bytes;
    QRect m_bounds;
    QSize m_size;
    QSizeF m_frameMm;
    // Shared by the copies, like the bytes it is made from.
    std::shared_ptr<PlaybackCache> m_cache;
};

} // namespace qlx
