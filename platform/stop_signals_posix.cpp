#include <signal.h>

#include "platform/stop_signals.h"

namespace {

stop_request *the_request = nullptr;

// Async-signal-safe: one relaxed atomic store. SA_RESETHAND has already put
// the default action back for the next signal.
void on_signal(int) {
    if (the_request != nullptr) stop_ask(the_request);
}

}  // namespace

void stop_signals_install(stop_request *request) {
    the_request = request;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}
