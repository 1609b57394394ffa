#include "stores/Clock.h"

#include <atomic>

namespace qlx {

namespace {

// A replacement set by a test; page production reads the clock on a thread of its own.
std::atomic<const Clock*> g_replacement{nullptr};

} // namespace

Clock::TimePoint Clock::now() {
    if (const Clock* clock = g_replacement.load())
        return clock->read();
    return std::chrono::system_clock::now();
}

long long Clock::msecsSinceEpoch() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch()).count();
}

void Clock::use(const Clock* clock) {
    g_replacement.store(clock);
}

} // namespace qlx
