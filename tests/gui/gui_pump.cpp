#include "tests/gui/gui_pump.h"

#include <wx/app.h>
#include <wx/utils.h>

void pump_pending() {
    wxYield();
    wxTheApp->ProcessPendingEvents();
    // Idle time is when windows closed with Destroy() are really deleted.
    wxTheApp->ProcessIdle();
}

bool pump_until(const std::function<bool()> &cond, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        pump_pending();
        if (cond()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        // A short nap between polls: the worker runs on another core.
        wxMilliSleep(1);
    }
}
