#include "tools/gui_pump/gui_pump.h"

#include <chrono>

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

void pump_for(int ms) {
    pump_until([] { return false; }, ms);
}

bool click(wxWindow *button) {
    if (button == nullptr || !button->IsEnabled()) return false;
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
    return true;
}
