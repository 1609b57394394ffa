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

} // namespace qlx::hostile
