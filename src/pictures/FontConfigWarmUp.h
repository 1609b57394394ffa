#pragma once

#include <thread>

namespace qlx {

// Reads the system's font configuration (fontconfig's XML files and font caches) on a thread
// of its own, so that it overlaps the application's connection to the display instead of
// delaying the first text the window measures. Start it before the application object; call
// wait() before the first font is used, which leaves fontconfig's shared configuration in
// place for Qt to take up. Waiting is also what the destructor does.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    void wait();

private:
    std::thread m_thread;
};

} // namespace qlx
