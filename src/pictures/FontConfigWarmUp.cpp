#include "pictures/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace qlx {

// FcInit loads the configuration once per process; a later FcInit (Qt's, when it first
// builds its font database) finds it loaded and returns at once.
FontConfigWarmUp::FontConfigWarmUp()
    : m_thread([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp() {
    wait();
}

void FontConfigWarmUp::wait() {
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace qlx
