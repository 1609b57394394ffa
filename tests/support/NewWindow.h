#pragma once

#include <QTimer>
#include <memory>

#include "app/MainForm.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"

namespace qlx::test {

// A main window on the current data folder with its start-up timer stopped, so that no tick
// comes while a test runs. With `load` its start-up load has run already, through the error
// handler as the timer's tick runs it; without, the test runs it when it chooses.
inline std::unique_ptr<MainForm> newWindow(bool load = true) {
    auto form = std::make_unique<MainForm>();
    child<QTimer>(*form, "Timer4")->stop();
    if (load)
        guarded([&] { form->onDeferredLoad(); });
    return form;
}

} // namespace qlx::test
