#pragma once

// Pictures and text as data. This folder holds what the layers above draw with and needs no
// widget, only QtGui: the picture an image control holds (bitmap, icon or metafile, loaded from
// a file or from bytes, a failure told in the message the user sees), the picture kinds told by
// their first bytes, the vector picture the metafile layer plays, the label font description,
// the conversion between the UTF-8 text below the widgets and QString, and the warm-up of the
// font configuration at start-up. All of it works under a QGuiApplication; the controls that
// show pictures and the dialogs that choose them are in the widgets folder.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

#include "pictures/VectorPicture.h"

class QPainter;

namespace qlx {

struct IconEntries;

// A picture as an image control holds it: a bitmap, an icon or a metafile (enhanced or
// Windows). Copies are cheap and share their pixels until one of them is drawn on, so drawing
// on a copy never changes the picture it was copied from. Only a bitmap can be drawn on.
class Picture {
public:
    enum class Type { None, Bitmap, Icon, EnhancedMetafile, Metafile };

    // Reads metafile bytes (`enhanced` for EMF, else WMF) into a playable picture; throws
    // qlx::Error on bad data. The metafile layer registers one at start-up.
    using MetafileLoader =
        std::function<std::shared_ptr<const VectorPicture>(const QByteArray& bytes, bool enhanced)>;
    static void setMetafileLoader(MetafileLoader loader);

    Picture() = default;
    explicit Picture(const QImage& bitmap);
    // An icon from its images, the one shown at natural size first.
    static Picture fromIcon(const QList<QImage>& images);
    static Picture fromVector(std::shared_ptr<const VectorPicture> vector, bool enhanced);

    // Loads a file, its type chosen by the extension in any letter case (bmp, png, jpg, jpeg,
    // ico, emf, wmf), or by its content when the name has no extension (also GIF). Throws
    // qlx::Error with the message the user sees.
    static Picture fromFile(const QString& path);
    // As fromFile, from bytes already read, with the extension (without its dot) the file's
    // name had: the same checks and the same messages.
    static Picture fromData(const QByteArray& bytes, const QString& extension);
    // As fromFile, into this picture; on failure this picture stays as it was.
    void loadFromFile(const QString& path);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::None; }
    bool isBitmap() const { return m_type == Type::Bitmap; }
    int width() const { return size().width(); }
    int height() const { return size().height(); }
    QSize size() const;

    // Draws the picture stretched into `target`.
    void draw(QPainter& painter, const QRect& target) const;

    // The picture in pixels at its natural size (a metafile is played onto transparent).
    QImage toImage() const;

    // The bitmap's pixels, ready for a QPainter and no longer shared with any copy. A palette
    // bitmap is turned into 32-bit pixels first, since palette images cannot be painted on.
    // An empty picture becomes an empty bitmap. Throws for an icon or a metafile.
    QImage& bitmapForDrawing();

    // How many of an icon's images have been decoded so far (0 for other pictures): the one
    // shown at natural size when it is loaded, others when a drawing size first needs them.
    int iconImagesDecoded() const;

    // A picture that can be drawn on: a bitmap or an empty picture as it is; an icon's image
    // at its natural size, or a metafile played at its frame's size at 96 dpi, each on
    // white. A size beyond `maxPixels` is scaled down, keeping its proportions, to fit.
    Picture toDrawableBitmap(qint64 maxPixels) const;

    // The bitmap as it stands, without detaching; null unless this is a bitmap.
    const QImage& bitmap() const { return m_bitmap; }

private:
    static MetafileLoader& metafileLoader();
    static void checkExtension(const QString& extension);
    static Picture fromBytes(const QByteArray& bytes, const QString& extension);
    static Picture bitmapFromBytes(const QByteArray& bytes, const char* format);
    static Picture iconFromBytes(const QByteArray& bytes);
    static Picture metafileFromBytes(const QByteArray& bytes, bool enhanced);
    static Picture fromContent(const QByteArray& bytes);
    QImage iconImageFor(const QSize& target) const;
    const QImage& iconNaturalImage() const;

    Type m_type = Type::None;
    QImage m_bitmap;
    // An icon's images, each decoded when it is first shown; copies share them.
    std::shared_ptr<IconEntries> m_icon;
    std::shared_ptr<const VectorPicture> m_vector;
};

} // namespace qlx
