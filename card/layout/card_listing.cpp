#include "card/layout/card_listing.h"

#include <cstdio>
#include <memory>

#include "card/layout/card_layout.h"

namespace {

// Lines are cut at 254 characters.
enum { LIST_LINE_SIZE = 255 };

void list_entry(log_sink *log, uint32_t k, uint32_t r, const disc_entry &e) {
    char line[LIST_LINE_SIZE];
    int n;  // a longer line is cut, as intended
    if (disc_is_rom(e))
        n = snprintf(line, sizeof line, "%u-%02u %02x-%02x-%02x %06x %s", k, r, e.flags,
                     e.romconfig[0], e.romconfig[1], e.config, e.name);
    else
        n = snprintf(line, sizeof line, "%u-%02u %02x %4uM %06x %s", k, r, e.flags, e.length / 2048,
                     e.config, e.name);
    if (n < 0) line[0] = '\0';
    log_line(log, line);
}

}  // namespace

bool list_card(card_context *c) {
    auto walk = std::make_unique<card_context>(*c);
    uint32_t k = 0;
    // Counted afresh on the walk: a command that has just added, cut or
    // replaced records would otherwise report the usage from the open.
    uint64_t used = 0;
    for (uint32_t s = c->first_block; s != 0; s = walk->managearea_lba_next, k++) {
        if (!managearea_read(walk.get(), s)) return false;
        used += 2;
        for (uint32_t r = 0; r < walk->disc_amount; r++) used += walk->entries[r].length;
        log_printf(c->log, "format version %d\n", walk->version);
        // All positions: an order not yet normalised may put an empty slot
        // before a used one.
        for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
            uint32_t r = walk->order[p];
            if (r < walk->disc_amount) list_entry(c->log, k, r, walk->entries[r]);
        }
    }
    c->used = static_cast<uint32_t>(used);
    double share = c->partition_size ? 100.0 * c->used / c->partition_size : 0.0;
    log_printf(c->log, "%u/%uMiB, uses %4.1f%%\n", c->used / 2048, c->partition_size / 2048, share);
    return true;
}
