#pragma once

#include <QDateTime>

#include "stores/Clock.h"

namespace qlx {

// The program clock's time now (see stores/Clock.h) as a local date and time, to the
// millisecond: what QDateTime::currentDateTime() reads from the system clock.
inline QDateTime clockDateTime() {
    return QDateTime::fromMSecsSinceEpoch(Clock::msecsSinceEpoch());
}

} // namespace qlx
