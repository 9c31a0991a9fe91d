// Driving the window without a person, for the window tests, the stall
// benchmark and the screenshot tool: the toolkit's events run until a
// condition holds or a deadline passes, and controls are found by their
// labels and clicked through the events the toolkit sends for a click.
#pragma once

#include <functional>

#include <wx/string.h>
#include <wx/window.h>

// True when cond held before the deadline.
bool pump_until(const std::function<bool()> &cond, int timeout_ms = 20000);
// Runs whatever is pending now (queued events, calls from workers, idle time).
void pump_pending();
// Keeps the window running for ms milliseconds.
void pump_for(int ms);

// What a click delivers; refused (as by the toolkit) while disabled.
bool click(wxWindow *button);

// The first control of type T under parent whose label or name is text
// (mnemonic included in labels): fields carry their label's text as name.
template <class T = wxWindow>
T *find_control(wxWindow *parent, const wxString &text) {
    for (wxWindow *child : parent->GetChildren()) {
        T *match = dynamic_cast<T *>(child);
        if (match != nullptr && (child->GetLabel() == text || child->GetName() == text)) return match;
        if (T *inner = find_control<T>(child, text)) return inner;
    }
    return nullptr;
}
