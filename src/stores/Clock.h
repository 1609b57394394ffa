#pragma once

#include <chrono>

namespace qlx {

// The program's one wall clock. Whatever stamps a time (the sheet's date line, a report file's
// header date) reads it here rather than from the system, so that a test can stop the clock and
// get the same stamp, and so the same bytes, from every run.
//
// The system's clock is in use unless a test has put a clock of its own in its place (see
// tests/support/FixedClock.h); only one replacement is in use at a time.
class Clock {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    // The time now, from the clock in use.
    static TimePoint now();
    // The same, in milliseconds since 1970-01-01 00:00 UTC.
    static long long msecsSinceEpoch();

    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

protected:
    Clock() = default;
    virtual ~Clock() = default;

    // What this clock reads; called from any thread.
    virtual TimePoint read() const = 0;

    // Puts `clock` in use for now(); nullptr puts the system's clock back. The clock must stay
    // alive while it is in use.
    static void use(const Clock* clock);
};

} // namespace qlx
