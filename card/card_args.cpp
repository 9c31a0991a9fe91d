#include "card/card_args.h"

#include <cstdarg>
#include <cstdio>
#include <string>

bool card_arg_ulong(log_sink *log, const char *text, unsigned long *value) {
    if (parse_ulong(text, value)) return true;
    log_printf_whole(log, "not a number: %s\n", text);
    return false;
}

bool card_arg_long(log_sink *log, const char *text, long *value) {
    if (parse_long(text, value)) return true;
    log_printf_whole(log, "not a number: %s\n", text);
    return false;
}

bool image_block_in_chain(const card_context *c, unsigned long n, uint32_t *block) {
    unsigned long b = n / CARD_DISC_SLOTS;
    if (b >= c->managearea_num) return false;
    *block = static_cast<uint32_t>(b);
    return true;
}

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
