#pragma once

#include <ctime>

#include "stores/Clock.h"

namespace qlx::test {

// A clock that stands still at a time the test chooses, in use for as long as it lives: every
// stamp the program makes meanwhile reads this time.
class FixedClock : public Clock {
public:
    explicit FixedClock(TimePoint at)
        : m_at(at) {
        use(this);
    }
    ~FixedClock() override { use(nullptr); }

    // A local wall-clock time, as the date line shows it.
    static TimePoint localTime(int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        t.tm_isdst = -1;
        return std::chrono::system_clock::from_time_t(std::mktime(&t));
    }

protected:
    TimePoint read() const override { return m_at; }

private:
    const TimePoint m_at;
};

} // namespace qlx::test
