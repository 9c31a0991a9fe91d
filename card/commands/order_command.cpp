// "order": a new display order for one block, given as 100 image numbers.
#include "card/commands/card_commands.h"
#include "card/layout/card_layout.h"
#include "card/layout/layout_records.h"

namespace {

bool parse_image_number(card_context *c, const char *text, unsigned long *n) {
    if (parse_ulong(text, n)) return true;
    log_printf(c->log, "not a number: %.100s\n", text);
    return false;
}

}  // namespace

int card_order(card_context *c, int argc, const char *const *v) {
    if (argc < static_cast<int>(CARD_DISC_SLOTS)) return 0;
    unsigned long a;
    if (!parse_image_number(c, v[0], &a)) return 0;
    // No chain reaches CARD_CHAIN_LIMIT blocks, so larger numbers find none.
    unsigned long block = a / CARD_DISC_SLOTS;
    if (block > CARD_CHAIN_LIMIT) block = CARD_CHAIN_LIMIT;
    if (!managearea_select(c, static_cast<uint32_t>(block))) return 0;
    uint8_t order[CARD_DISC_SLOTS];
    order[0] = static_cast<uint8_t>(a % CARD_DISC_SLOTS);
    for (uint32_t p = 1; p < CARD_DISC_SLOTS; p++) {
        unsigned long b;
        if (!parse_image_number(c, v[p], &b)) return 0;
        if (b / CARD_DISC_SLOTS != a / CARD_DISC_SLOTS) {
            log_line(c->log, "assigned number is out of bounds");
            return 0;
        }
        order[p] = static_cast<uint8_t>(b % CARD_DISC_SLOTS);
    }
    if (!order_is_permutation(order)) {
        log_line(c->log, "order_check() error");
        return 0;
    }
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) c->order[p] = order[p];
    return order_write(c) ? 1 : 0;
}
