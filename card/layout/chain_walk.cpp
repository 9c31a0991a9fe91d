#include "card/layout/chain_walk.h"

uint64_t block_used_sectors(const card_context &c) {
    uint64_t sum = 2;
    for (uint32_t i = 0; i < c.disc_amount; i++) sum += c.entries[i].length;
    return sum;
}

bool chain_walk(card_context *c, uint32_t count,
                const std::function<bool(card_context *c, uint32_t k)> &visit, uint64_t *used) {
    uint64_t sum = 0;
    uint32_t k = 0;
    for (uint32_t s = c->first_block; s != 0 && k < count; s = c->managearea_lba_next, k++) {
        if (!managearea_read(c, s)) return false;
        sum += block_used_sectors(*c);
        if (visit && !visit(c, k)) return false;
    }
    if (used != nullptr) *used = sum;
    return true;
}
