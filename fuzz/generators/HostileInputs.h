#pragma once
// Small, well-formed files that used to make the program work without end: the tests play
// them and the fuzz corpora are seeded with them (make-seeds writes each kind to its corpus).
#include <QByteArray>
#include <QSize>

namespace qlx::hostile {

// An EMF whose frame is `framePixels` square with a clip path (an ellipse over the frame)
// selected before a rectangle is filled.
QByteArray emfClipPathOnHugeFrame(int framePixels);
// An EMF of `count` STRETCHDIBITS records each holding its own `side` x `side` PNG.
QByteArray emfEmbeddedPngs(int count, int side);
// An EMF whose first bitmap is a PNG that cannot be decoded, followed by a red rectangle.
QByteArray emfBrokenPngThenRectangle();
// An EMF of one polygon of `points` points zigzagging over the frame.
QByteArray emfPolygon(int points);
// An EMF holding only the header, with bounds `pixels` square (a page that claims a size).
QByteArray emfClaimingSize(int pixels);
// A WMF with an object table of `tableSize` that fills it, then deletes and creates `churn`
// times in the slot that makes a linear search walk the whole table.
QByteArray wmfObjectChurn(int tableSize, int churn);
// An icon of `entries` directory entries that all point at one `side` x `side` bitmap image.
QByteArray icoSharedEntries(int entries, int side);
// An icon with one entry holding a PNG of `side` x `side`.
QByteArray icoPngEntry(int side);
// A small RLE8 bitmap that claims `size` pixels (runs of one colour fill it).
QByteArray rleBitmapClaiming(QSize size);
// A plain-colour `side` x `side` PNG.
QByteArray png(int side);

// An EMF of `count` ellipses over its whole 1100 x 1100 frame, each filled with a hatched
// brush on an opaque background: a few bytes a record, a full-page fill each.
QByteArray emfHatchedEllipses(int count);
// A WMF of `count` rectangles over its whole frame with a hatched brush.
QByteArray wmfHatchedRectangles(int count);
// An EMF of `count` eight-byte records that draw nothing (REALIZEPALETTE).
QByteArray emfTinyRecords(int count);
// A `side` x `side` progressive JPEG whose first scan is repeated until it holds `scans`.
QByteArray jpegScanBomb(int side, int scans);
// An EMF drawing `jpeg` (compression 4: JPEG) claiming `side` square over its frame.
QByteArray emfEmbeddedJpeg(const QByteArray& jpeg, int side);
// A prepared report file of one page holding `picture`; compressed (zlib, with its 4-byte
// length first) when `compressed`.
QByteArray reportWithPage(const QByteArray& picture, bool compressed);
// Garbage of `bytes` bytes (a repeating pattern, no picture's signature).
QByteArray garbage(qint64 bytes);

} // namespace qlx::hostile
