#include "card/commands/card_args.h"

#include "core/log_whole.h"

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
