#include "platform/sleep.h"

#include <atomic>
#include <ctime>

static std::atomic<void (*)(unsigned)> sleep_hook{nullptr};

void platform_set_sleep_hook(void (*hook)(unsigned)) { sleep_hook = hook; }

void platform_sleep_ms(unsigned milliseconds) {
    if (auto hook = sleep_hook.load()) {
        hook(milliseconds);
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
