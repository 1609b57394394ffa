#include "pictures/Picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "pictures/JpegCheck.h"
#include "pictures/PictureFormat.h"
#include "stores/Bmp.h"
#include "stores/Error.h"

namespace qlx {

namespace {

// No picture the program uses comes near this; a bigger file is refused before it is read.
constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;

const char* const kBadBitmap = "Bitmap image is not valid";
const char* const kBadIcon = "Icon image is not valid";
const char* const kBadMetafile = "Metafile is not valid";

// The extension as the user typed it: what follows the last dot of the file name.
QString extensionOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const auto dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

const char* tooBigMessageFor(const QString& lowerExtension) {
    if (lowerExtension == QLatin1String("ico"))
        return kBadIcon;
    if (lowerExtension == QLatin1String("emf") || lowerExtension == QLatin1String("wmf"))
        return kBadMetafile;
    return kBadBitmap;
}

// The first bytes of a picture file, read before the rest: enough for the headers that give
// a PNG's or a JPEG's size.
constexpr qint64 kHeadBytes = 64 * 1024;
const char* const kDamaged = "damaged";
// Slack for what a compressed picture may carry besides its pixels (profiles, text).
constexpr qint64 kMetadataSlack = qint64(4) * 1024 * 1024;
// Each kind's largest file: no sound file of that kind needs more. A bitmap holds at most
// kMaxBmpPixels 32-bit pixels; an icon at most kMaxIconEntries images of 256 x 256; a
// metafile is read whole and played from memory, so it is held to half the memory budget.
constexpr qint64 kMaxBmpFileBytes = kMaxBmpPixels * 4 + kMetadataSlack;
constexpr qint64 kMaxIconFileBytes = qint64(64) * 1024 * 1024;
constexpr qint64 kMaxMetafileFileBytes = qint64(128) * 1024 * 1024;

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads exactly `size` bytes into `into`; false on an error or an early end.
bool readExactly(int fd, char* into, qint64 size) {
    while (size > 0) {
        const ssize_t got = ::read(fd, into, size_t(std::min<qint64>(size, 1 << 20)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= got;
    }
    return true;
}

quint32 bigEndian32(const QByteArray& b, int at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

// The checks a picture's first bytes allow, by the kind the extension (or, without one, the
// content) gives: a size beyond the kind's, a PNG or JPEG that does not start as one or
// claims too many pixels, or a file much longer than the pixels it claims, is refused before
// the rest is read. Returns the reason, or an empty text; kDamaged for a file that is not of
// its kind at all, which gets the kind's message alone.
std::string checkHead(const QByteArray& head, const QString& lower, qint64 fileSize) {
    PictureFormat::Kind kind = PictureFormat::Kind::Unknown;
    if (lower.isEmpty())
        kind = PictureFormat::sniff(head);
    else if (lower == QLatin1String("png"))
        kind = PictureFormat::Kind::Png;
    else if (lower == QLatin1String("jpg") || lower == QLatin1String("jpeg"))
        kind = PictureFormat::Kind::Jpeg;
    else if (lower == QLatin1String("bmp"))
        kind = PictureFormat::Kind::Bmp;
    else if (lower == QLatin1String("ico"))
        kind = PictureFormat::Kind::Ico;
    else
        kind = PictureFormat::Kind::Emf;
    const auto tooLong = [&](qint64 most) {
        return fileSize > most
                   ? "the file has " + std::to_string(fileSize) +
                         " bytes, more than its kind may have (" + std::to_string(most) + ")"
                   : std::string();
    };
    switch (kind) {
    case PictureFormat::Kind::Bmp:
        return tooLong(kMaxBmpFileBytes);
    case PictureFormat::Kind::Ico:
        return tooLong(kMaxIconFileBytes);
    case PictureFormat::Kind::Emf:
    case PictureFormat::Kind::Wmf:
        return tooLong(kMaxMetafileFileBytes);
    case PictureFormat::Kind::Png: {
        static const char signature[] = "\x89PNG\r\n\x1a\n";
        if (head.size() < 33 || !head.startsWith(QByteArray(signature, 8)) ||
            head.mid(12, 4) != "IHDR")
            return kDamaged;
        const qint64 w = bigEndian32(head, 16), h = bigEndian32(head, 20);
        if (w == 0 || h == 0 || w > kMaxBmpPixels || h > kMaxBmpPixels || w * h > kMaxBmpPixels)
            return "it claims " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
        // Sixteen-bit colour with alpha is 8 bytes a pixel before compression.
        return tooLong(w * h * 8 + h + kMetadataSlack);
    }
    case PictureFormat::Kind::Jpeg: {
        std::string problem;
        const JpegShape shape = checkJpeg(reinterpret_cast<const unsigned char*>(head.constData()),
                                          size_t(head.size()), true, &problem);
        if (!problem.empty())
            return shape.beyondLimit ? problem : kDamaged;
        // A frame header further in than the first bytes is checked when the whole is.
        if (shape.width == 0)
            return tooLong(kMaxBmpFileBytes);
        return tooLong(qint64(shape.width) * shape.height * 12 + kMetadataSlack);
    }
    case PictureFormat::Kind::Gif:
    case PictureFormat::Kind::Unknown:
        break;
    }
    return tooLong(kMaxBmpFileBytes);
}

// Read as the text stores are read: regular files only, opened without blocking, so that a
// named pipe or a device in a picture's place is refused at once instead of waiting for a
// writer. A file is read into one buffer of the size it states, and only after its first
// bytes passed checkHead; a file that states no size (those of /proc, which may never end)
// is no picture. What cannot be opened says so; what is too long, refused by its head or
// fails to read is a bad picture, with the reason after the kind's message.
QByteArray readWhole(const QString& path, const QString& lower) {
    const std::string bad = tooBigMessageFor(lower);
    const Descriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Error("Cannot open file " + path.toStdString());
    const qint64 size = qint64(st.st_size);
    if (size <= 0)
        throw Error(bad);
    if (size > kMaxFileBytes)
        throw Error(bad + ": the file has " + std::to_string(size) + " bytes, more than " +
                    std::to_string(kMaxFileBytes));
    QByteArray bytes;
    bytes.resize(qsizetype(std::min(size, kHeadBytes)));
    if (!readExactly(fd.get(), bytes.data(), bytes.size()))
        throw Error(bad);
    const std::string refused = checkHead(bytes, lower, size);
    if (refused == kDamaged)
        throw Error(bad);
    if (!refused.empty())
        throw Error(bad + ": " + refused);
    const qsizetype head = bytes.size();
    bytes.resize(qsizetype(size));
    char more = 0;
    if (!readExactly(fd.get(), bytes.data() + head, size - head) || ::read(fd.get(), &more, 1) != 0)
        throw Error(bad); // shorter or longer than it said
    return bytes;
}

// A palette bitmap may list fewer colours than its pixels index; Qt keeps the short table
// and then reads past its end when it draws or converts such pixels. The missing entries
// become black, as they show on Windows.
QImage withFullPalette(QImage image) {
    const int depth = image.depth();
    if (depth > 8 || image.colorCount() >= (1 << depth))
        return image;
    QList<QRgb> table = image.colorTable();
    table.resize(1 << depth, qRgb(0, 0, 0));
    image.setColorTable(table);
    return image;
}

} // namespace

// The images of an icon file: its directory, with each entry decoded from a one-entry icon
// when it is first needed (an icon file may list many images, most never shown), and entries
// that point at the same image sharing one decoding. An icon made from images has them all
// decoded from the start.
struct IconEntries {
    struct Entry {
        QSize size; // from the directory (0 stands for 256) until decoded
        quint32 offset = 0, bytes = 0;
        int decoded = -1; // index into `images` once decoded; -2 when it failed
    };
    QByteArray file;
    std::vector<Entry> entries;
    std::vector<QImage> images;
    std::map<quint32, int> byOffset; // decoded images by their place in the file
    int natural = -1;                // the entry shown at natural size

    // The image of entry i, decoded now if need be; null when it cannot be decoded.
    QImage image(std::size_t i) {
        Entry& e = entries[i];
        if (e.decoded == -1) {
            const auto found = byOffset.find(e.offset);
            if (found != byOffset.end()) {
                e.decoded = found->second;
            } else {
                e.decoded = decode(e);
                if (e.decoded >= 0)
                    byOffset.emplace(e.offset, e.decoded);
            }
            if (e.decoded >= 0)
                e.size = images[std::size_t(e.decoded)].size();
        }
        return e.decoded >= 0 ? images[std::size_t(e.decoded)] : QImage();
    }

private:
    int decode(const Entry& e) {
        const int at = 6 + 16 * int(&e - entries.data());
        QByteArray one = file.left(6) + file.mid(at, 16);
        qToLittleEndian<quint16>(1, one.data() + 4);
        qToLittleEndian<quint32>(22, one.data() + 6 + 12);
        one += file.mid(qsizetype(e.offset), qsizetype(e.bytes));
        QBuffer buffer(&one);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "ICO");
        const QImage image = reader.read();
        if (image.isNull())
            return -2;
        images.push_back(withFullPalette(image));
        return int(images.size()) - 1;
    }
};

Picture::MetafileLoader& Picture::metafileLoader() {
    static MetafileLoader loader;
    return loader;
}

void Picture::setMetafileLoader(MetafileLoader loader) {
    metafileLoader() = std::move(loader);
}

Picture::Picture(const QImage& bitmap)
    : m_type(Type::Bitmap)
    , m_bitmap(bitmap) {}

Picture Picture::fromIcon(const QList<QImage>& images) {
    Picture p;
    if (images.isEmpty())
        return p;
    p.m_type = Type::Icon;
    p.m_icon = std::make_shared<IconEntries>();
    for (const QImage& image : images) {
        IconEntries::Entry e;
        e.size = image.size();
        e.decoded = int(p.m_icon->images.size());
        p.m_icon->images.push_back(image);
        p.m_icon->entries.push_back(e);
    }
    p.m_icon->natural = 0;
    return p;
}

Picture Picture::fromVector(std::shared_ptr<const VectorPicture> vector, bool enhanced) {
    Picture p;
    if (!vector)
        return p;
    p.m_type = enhanced ? Type::EnhancedMetafile : Type::Metafile;
    p.m_vector = std::move(vector);
    return p;
}

void Picture::checkExtension(const QString& extension) {
    const QString lower = extension.toLower();
    const bool known = lower == QLatin1String("bmp") || lower == QLatin1String("png") ||
                       lower == QLatin1String("jpg") || lower == QLatin1String("jpeg") ||
                       lower == QLatin1String("ico") || lower == QLatin1String("emf") ||
                       lower == QLatin1String("wmf");
    if (!extension.isEmpty() && !known)
        throw Error("Unknown picture file extension (." + extension.toStdString() + ")");
}

Picture Picture::fromFile(const QString& path) {
    const QString extension = extensionOf(path);
    // The extension decides before the file is touched; only a name without one is read by
    // its content.
    checkExtension(extension);
    return fromData(readWhole(path, extension.toLower()), extension);
}

Picture Picture::fromData(const QByteArray& bytes, const QString& extension) {
    checkExtension(extension);
    if (bytes.size() > kMaxFileBytes)
        throw Error(tooBigMessageFor(extension.toLower()));
    return extension.isEmpty() ? fromContent(bytes) : fromBytes(bytes, extension.toLower());
}

void Picture::loadFromFile(const QString& path) {
    *this = fromFile(path);
}

Picture Picture::fromBytes(const QByteArray& bytes, const QString& extension) {
    if (extension == QLatin1String("bmp"))
        return bitmapFromBytes(bytes, "BMP");
    if (extension == QLatin1String("png"))
        return bitmapFromBytes(bytes, "PNG");
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return bitmapFromBytes(bytes, "JPEG");
    if (extension == QLatin1String("ico"))
        return iconFromBytes(bytes);
    return metafileFromBytes(bytes, extension == QLatin1String("emf"));
}

Picture Picture::fromContent(const QByteArray& bytes) {
    switch (PictureFormat::sniff(bytes)) {
    case PictureFormat::Kind::Bmp:
        return bitmapFromBytes(bytes, "BMP");
    case PictureFormat::Kind::Ico:
        return iconFromBytes(bytes);
    case PictureFormat::Kind::Emf:
        return metafileFromBytes(bytes, true);
    case PictureFormat::Kind::Wmf:
        return metafileFromBytes(bytes, false);
    case PictureFormat::Kind::Png:
        return bitmapFromBytes(bytes, "PNG");
    case PictureFormat::Kind::Jpeg:
        return bitmapFromBytes(bytes, "JPEG");
    case PictureFormat::Kind::Gif:
        return bitmapFromBytes(bytes, "GIF");
    case PictureFormat::Kind::Unknown:
        break;
    }
    // Nothing recognised: the same message as for a name whose extension is not a picture's.
    throw Error("Unknown picture file extension (.)");
}

Picture Picture::bitmapFromBytes(const QByteArray& bytes, const char* format) {
    if (qstrcmp(format, "BMP") == 0)
        checkBmp(std::string_view(bytes.constData(), size_t(bytes.size())));
    if (qstrcmp(format, "JPEG") == 0) {
        // Every scan is a pass over the whole picture: they are counted before decoding.
        std::string problem;
        const JpegShape shape = checkJpeg(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                          size_t(bytes.size()), false, &problem);
        if (shape.beyondLimit)
            throw Error(std::string(kBadBitmap) + ": " + problem);
        if (!problem.empty())
            throw Error(kBadBitmap);
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    const QImage image = reader.read();
    if (image.isNull())
        throw Error(kBadBitmap);
    return Picture(withFullPalette(image));
}

Picture Picture::iconFromBytes(const QByteArray& bytes) {
    checkIco(std::string_view(bytes.constData(), size_t(bytes.size())));
    const auto u16At = [&](int at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    const auto u32At = [&](int at) {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    auto icon = std::make_shared<IconEntries>();
    icon->file = bytes;
    for (int i = 0; i < u16At(4); ++i) {
        const int entry = 6 + 16 * i;
        IconEntries::Entry e;
        const auto side = [&](int at) {
            const int v = static_cast<unsigned char>(bytes[entry + at]);
            return v == 0 ? 256 : v;
        };
        e.size = QSize(side(0), side(1));
        e.bytes = u32At(entry + 8);
        e.offset = u32At(entry + 12);
        icon->entries.push_back(e);
    }
    // Only the image shown at natural size is decoded now: the 32 x 32 one when the icon
    // lists one, as the desktop does, else the first that decodes. The others wait until a
    // drawing size asks for them.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < icon->entries.size(); ++i)
        if (icon->entries[i].size == QSize(32, 32))
            order.push_back(i);
    for (std::size_t i = 0; i < icon->entries.size(); ++i)
        order.push_back(i);
    for (const std::size_t i : order) {
        if (!icon->image(i).isNull()) {
            icon->natural = int(i);
            break;
        }
    }
    if (icon->natural < 0)
        throw Error(kBadIcon);
    Picture p;
    p.m_type = Type::Icon;
    p.m_icon = std::move(icon);
    return p;
}

int Picture::iconImagesDecoded() const {
    return m_icon ? int(m_icon->images.size()) : 0;
}

const QImage& Picture::iconNaturalImage() const {
    const IconEntries::Entry& e = m_icon->entries[std::size_t(m_icon->natural)];
    return m_icon->images[std::size_t(e.decoded)];
}

Picture Picture::metafileFromBytes(const QByteArray& bytes, bool enhanced) {
    if (!metafileLoader())
        throw Error("Metafile support is not available");
    auto vector = metafileLoader()(bytes, enhanced);
    if (!vector)
        throw Error(kBadMetafile);
    return fromVector(std::move(vector), enhanced);
}

QSize Picture::size() const {
    switch (m_type) {
    case Type::Bitmap:
        return m_bitmap.size();
    case Type::Icon:
        return iconNaturalImage().size();
    case Type::EnhancedMetafile:
    case Type::Metafile:
        return m_vector->size();
    case Type::None:
        break;
    }
    return QSize(0, 0);
}

QImage Picture::iconImageFor(const QSize& target) const {
    // The smallest image that covers the target loses least when stretched; failing that,
    // the largest. Sizes come from the directory until an image is decoded; one that will
    // not decode drops out.
    for (;;) {
        const IconEntries::Entry* best = nullptr;
        const IconEntries::Entry* largest = nullptr;
        const auto area = [](const IconEntries::Entry* e) {
            return qint64(e->size.width()) * e->size.height();
        };
        for (const IconEntries::Entry& e : m_icon->entries) {
            if (e.decoded == -2)
                continue;
            if (!largest || area(&e) > area(largest))
                largest = &e;
            const bool covers =
                e.size.width() >= target.width() && e.size.height() >= target.height();
            if (covers && (!best || area(&e) < area(best)))
                best = &e;
        }
        const IconEntries::Entry* chosen = best ? best : largest;
        if (!chosen)
            return iconNaturalImage();
        const QImage image = m_icon->image(std::size_t(chosen - m_icon->entries.data()));
        if (!image.isNull())
            return image;
    }
}

void Picture::draw(QPainter& painter, const QRect& target) const {
    switch (m_type) {
    case Type::Bitmap:
        painter.drawImage(target, m_bitmap);
        break;
    case Type::Icon:
        painter.drawImage(target, iconImageFor(target.size()));
        break;
    case Type::EnhancedMetafile:
    case Type::Metafile:
        painter.save();
        m_vector->draw(painter, QRectF(target));
        painter.restore();
        break;
    case Type::None:
        break;
    }
}

QImage Picture::toImage() const {
    switch (m_type) {
    case Type::Bitmap:
        return m_bitmap;
    case Type::Icon:
        return iconNaturalImage();
    case Type::EnhancedMetafile:
    case Type::Metafile: {
        const QSize natural = m_vector->size();
        if (natural.isEmpty() || qint64(natural.width()) * natural.height() > kMaxBmpPixels)
            return QImage();
        QImage image(natural, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        draw(painter, image.rect());
        return image;
    }
    case Type::None:
        break;
    }
    return QImage();
}

Picture Picture::toDrawableBitmap(qint64 maxPixels) const {
    if (m_type == Type::None || m_type == Type::Bitmap)
        return *this;
    QSize natural = m_type == Type::Icon ? iconNaturalImage().size() : m_vector->frameSizeAt96Dpi();
    const qint64 area = qint64(natural.width()) * natural.height();
    if (area > maxPixels && maxPixels > 0) {
        const double scale = std::sqrt(double(maxPixels) / double(area));
        natural =
            QSize(qMax(1, int(natural.width() * scale)), qMax(1, int(natural.height() * scale)));
    }
    QImage image(natural.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    if (image.isNull())
        throw Error(kBadBitmap);
    // Labels are printed on white paper: what the picture leaves transparent is white.
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    std::string cutShort;
    if (m_vector) {
        painter.save();
        cutShort = m_vector->drawBounded(painter, QRectF(image.rect()));
        painter.restore();
    } else {
        draw(painter, image.rect());
    }
    painter.end();
    // A label drawn on half a picture would be wrong on every label: refused instead.
    if (!cutShort.empty())
        throw Error(cutShort);
    return Picture(image);
}

QImage& Picture::bitmapForDrawing() {
    if (m_type == Type::None)
        m_type = Type::Bitmap;
    if (m_type != Type::Bitmap)
        throw Error("Can only modify an image if it contains a bitmap");
    if (m_bitmap.format() == QImage::Format_Indexed8 || m_bitmap.format() == QImage::Format_Mono ||
        m_bitmap.format() == QImage::Format_MonoLSB)
        m_bitmap.convertTo(m_bitmap.hasAlphaChannel() ? QImage::Format_ARGB32
                                                      : QImage::Format_RGB32);
    m_bitmap.detach();
    return m_bitmap;
}

} // namespace qlx
