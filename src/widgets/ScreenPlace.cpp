#include "widgets/ScreenPlace.h"

#include <algorithm>

namespace qlx {

namespace {

int placeAlong(int wanted, int length, int start, int room) {
    // Past the far edge: back in; then never before the near edge, which wins when the
    // window is longer than the room.
    const int end = start + room;
    return std::max(start, std::min(wanted, end - length));
}

} // namespace

QPoint placeInside(QPoint wanted, QSize outer, const QRect& available) {
    if (!available.isValid())
        return wanted;
    return {placeAlong(wanted.x(), outer.width(), available.x(), available.width()),
            placeAlong(wanted.y(), outer.height(), available.y(), available.height())};
}

} // namespace qlx
