// "order": a new display order for one block, given as 100 image numbers.
#include "card/commands/card_commands.h"
#include "card/layout/card_args.h"
#include "card/layout/layout_records.h"

int card_order(card_context *c, int argc, const char *const *v) {
    if (argc < static_cast<int>(CARD_DISC_SLOTS)) return VMK_FAILED;
    // Every number is checked before the block is loaded.
    uint8_t order[CARD_DISC_SLOTS];
    image_number first;
    if (!card_arg_image(c, v[0], "manage area block not found", &first)) return VMK_FAILED;
    order[0] = static_cast<uint8_t>(first.record);
    for (uint32_t p = 1; p < CARD_DISC_SLOTS; p++) {
        image_number n;
        if (!card_arg_image(c, v[p], "assigned number is out of bounds", &n)) return VMK_FAILED;
        if (n.block != first.block) {
            log_line(c->log, "assigned number is out of bounds");
            return VMK_FAILED;
        }
        order[p] = static_cast<uint8_t>(n.record);
    }
    if (!order_is_permutation(order)) {
        log_line(c->log, "order_check() error");
        return VMK_FAILED;
    }
    if (!managearea_select(c, first.block)) return VMK_FAILED;
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) c->order[p] = order[p];
    return vmk_status(order_write(c));
}
