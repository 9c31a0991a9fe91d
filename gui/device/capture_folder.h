// The checks the frame capture makes on its folder before it starts.
#pragma once

#include <wx/string.h>

// nullptr when the folder can take captures (it is created, one level, when
// missing); otherwise the message that refuses the capture: "the path is file",
// "mkdir error" or "the path is not writable".
const char *capture_folder_problem(const wxString &folder);
