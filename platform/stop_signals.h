// Ctrl+C and termination requests for the command line: the first SIGINT or
// SIGTERM asks the running command to stop at its next safe point through
// the stop request; the handler then steps aside, so a second signal ends
// the process at once the system's way.
#pragma once

#include "core/stop_request.h"

// The request must outlive the process's use of it (a static one).
void stop_signals_install(stop_request *request);
