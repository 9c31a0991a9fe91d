#include "card/layout/card_args.h"

#include "core/log_whole.h"
#include "core/number_text.h"

namespace {

bool not_a_number(log_sink *log, const char *text) {
    log_printf_whole(log, "not a number: %s\n", text);
    return false;
}

}  // namespace

bool card_arg_ulong(log_sink *log, const char *text, unsigned long *value) {
    return parse_ulong(text, value) || not_a_number(log, text);
}

bool card_arg_long(log_sink *log, const char *text, long *value) {
    return parse_long(text, value) || not_a_number(log, text);
}

bool card_arg_decimal(log_sink *log, const char *text, uint64_t *value) {
    return parse_decimal(text, value) || not_a_number(log, text);
}

namespace {

bool block_in_chain(const card_context *c, uint64_t b, const char *outside, uint32_t *block) {
    if (b >= c->managearea_num) {
        log_line(c->log, outside);
        return false;
    }
    *block = static_cast<uint32_t>(b);
    return true;
}

}  // namespace

bool card_arg_block(const card_context *c, const char *text, const char *outside,
                    uint32_t *block) {
    uint64_t b;
    return card_arg_decimal(c->log, text, &b) && block_in_chain(c, b, outside, block);
}

bool image_in_chain(const card_context *c, uint64_t value, const char *outside,
                    image_number *n) {
    if (!block_in_chain(c, value / CARD_DISC_SLOTS, outside, &n->block)) return false;
    n->record = static_cast<uint32_t>(value % CARD_DISC_SLOTS);
    return true;
}

bool card_arg_image(const card_context *c, const char *text, const char *outside,
                    image_number *n) {
    uint64_t v;
    return card_arg_decimal(c->log, text, &v) && image_in_chain(c, v, outside, n);
}
