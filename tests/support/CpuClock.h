#pragma once

#include <ctime>

namespace qlx::test {

// Milliseconds of processor time the whole process (every thread) has spent since it was
// made: a time budget for work that other programs running on the machine do not stretch, as
// they stretch the wall clock.
class CpuClock {
public:
    CpuClock()
        : m_start(now()) {}
    long long elapsed() const { return now() - m_start; }

private:
    static long long now() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
    }
    long long m_start;
};

} // namespace qlx::test
