#include "support/FakeEmf.h"

#include <QtEndian>

namespace qlx::test {

QByteArray fakeEmf(int size, quint32 marker, qint32 frameRight, qint32 frameBottom) {
    Q_ASSERT(size >= 92);
    QByteArray emf(size, '\0');
    char* p = emf.data();
    qToLittleEndian<quint32>(1, p);      // EMR_HEADER
    qToLittleEndian<quint32>(88, p + 4); // header record size
    qToLittleEndian<qint32>(0, p + 24);  // rclFrame
    qToLittleEndian<qint32>(0, p + 28);
    qToLittleEndian<qint32>(frameRight, p + 32);
    qToLittleEndian<qint32>(frameBottom, p + 36);
    qToLittleEndian<quint32>(0x464D4520, p + 40);
    qToLittleEndian<quint32>(0x10000, p + 44);
    qToLittleEndian<quint32>(static_cast<quint32>(size), p + 48);
    qToLittleEndian<quint32>(marker, p + 88);
    for (int i = 92; i < size; ++i)
        p[i] = static_cast<char>((marker * 31 + static_cast<quint32>(i)) & 0xff);
    return emf;
}

} // namespace qlx::test
