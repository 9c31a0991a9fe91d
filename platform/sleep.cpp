#include "platform/sleep.h"

#include <atomic>

#include "platform/sleep_os.h"

static std::atomic<void (*)(unsigned)> sleep_hook{nullptr};

void platform_set_sleep_hook(void (*hook)(unsigned)) { sleep_hook = hook; }

void platform_sleep_ms(unsigned milliseconds) {
    if (auto hook = sleep_hook.load()) {
        hook(milliseconds);
        return;
    }
    sleep_os_ms(milliseconds);
}
