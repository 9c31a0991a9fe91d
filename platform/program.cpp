#include "platform/program.h"

#include <atomic>
#include <cstring>
#include <string>

static std::atomic<const char *> program_dir_override{nullptr};

void process_set_program_dir(const char *directory) { program_dir_override = directory; }

int process_program_dir(char *out, size_t size) {
    std::string dir;
    if (const char *o = program_dir_override.load()) {
        dir = o;
    } else if (!process_os_executable_dir(&dir)) {
        return 0;
    }
    if (dir.empty() || dir.size() + 1 > size) return 0;
    memcpy(out, dir.c_str(), dir.size() + 1);
    return 1;
}

static std::atomic<void (*)(unsigned)> sleep_hook{nullptr};

void platform_set_sleep_hook(void (*hook)(unsigned)) { sleep_hook = hook; }

void platform_sleep_ms(unsigned milliseconds) {
    if (auto hook = sleep_hook.load()) {
        hook(milliseconds);
        return;
    }
    sleep_os_ms(milliseconds);
}
