#include "core/log_whole.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void log_printf_whole(log_sink *log, const char *format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        std::string text(static_cast<size_t>(n) + 1, '\0');
        vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(n));
        log_write(log, text.c_str());
    }
    va_end(again);
}

void log_file_message(log_sink *log, const char *name, const char *what) {
    log_write(log, name);
    log_write(log, what);
}
