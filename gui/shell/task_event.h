// The one event a worker posts to the page that started it when its command
// ends; the page routes it by identifier.
#pragma once

#include <wx/event.h>

wxDECLARE_EVENT(EVT_TASK_DONE, wxCommandEvent);

enum {
    TASK_ID_DONE = 40,       // device command succeeded
    TASK_ID_FAILED = 41,     // device command failed; the log says why
    TASK_ID_FB_DONE = 42,    // frame capture dispatched
    TASK_ID_FB_FAILED = 43,  // frame capture could not be dispatched
};
