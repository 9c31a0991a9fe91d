#include "gui/shell/task_event.h"

wxDEFINE_EVENT(EVT_TASK_DONE, wxCommandEvent);
