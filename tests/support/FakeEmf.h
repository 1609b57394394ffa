#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace qlx::test {

// A block that passes the metafile header check: header record (type 1, 88 bytes) with the
// " EMF" signature and the block's length in nBytes, followed by filler that carries `marker`
// so that pages can be told apart. `frameRight` and `frameBottom` are the picture frame in
// hundredths of a millimetre (A4 portrait by default). `size` is at least 92.
QByteArray fakeEmf(int size, quint32 marker, qint32 frameRight = 21000, qint32 frameBottom = 29700);

} // namespace qlx::test
