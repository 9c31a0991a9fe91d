#include <windows.h>

#include <atomic>

#include "platform/stop_signals.h"

namespace {

stop_request *the_request = nullptr;
std::atomic<bool> asked_once{false};
bool installed = false;

// The system calls this on a thread of its own. Returning FALSE hands the
// event to the default handler, which ends the process: the second event
// gets that, as a second signal does on POSIX.
BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (the_request == nullptr || asked_once.exchange(true)) return FALSE;
    stop_ask(the_request);
    // After a close event the process ends as soon as the handler returns
    // (or a few seconds later regardless): hold on so the command can reach
    // its safe point and main can return first.
    if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void stop_signals_install(stop_request *request) {
    the_request = request;
    asked_once = false;
    // Installing again only rearms: the system would call a handler added
    // twice twice.
    if (!installed) installed = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
}
