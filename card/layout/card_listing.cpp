#include "card/layout/card_listing.h"

#include <cstdio>
#include <memory>

#include "card/layout/card_layout.h"
#include "card/layout/chain_walk.h"
#include "core/text_copy.h"

namespace {

// Lines are cut at 254 characters.
enum { LIST_LINE_SIZE = 255 };

void list_entry(log_sink *log, uint32_t k, uint32_t r, const disc_entry &e) {
    char line[LIST_LINE_SIZE];
    int n;
    if (disc_is_rom(e))
        n = snprintf(line, sizeof line, "%u-%02u %02x-%02x-%02x %06x ", k, r, e.flags,
                     e.romconfig[0], e.romconfig[1], e.config);
    else
        n = snprintf(line, sizeof line, "%u-%02u %02x %4uM %06x ", k, r, e.flags, e.length / 2048,
                     e.config);
    if (n < 0) n = 0;
    // A longer name is cut, on a character boundary.
    size_t at = static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1;
    text_copy_utf8(line + at, sizeof line - at, e.name);
    log_line(log, line);
}

}  // namespace

bool list_card(card_context *c) {
    auto walk = std::make_unique<card_context>(*c);
    // Counted afresh on the walk: a command that has just added, cut or
    // replaced records would otherwise report the usage from the open.
    uint64_t used = 0;
    auto list_block = [c](card_context *b, uint32_t k) {
        log_printf(c->log, "format version %d\n", b->version);
        // All positions: an order not yet normalised may put an empty slot
        // before a used one.
        for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
            uint32_t r = b->order[p];
            if (r < b->disc_amount) list_entry(c->log, k, r, b->entries[r]);
        }
        return true;
    };
    if (!chain_walk(walk.get(), CHAIN_WALK_ALL, list_block, &used)) return false;
    c->used = static_cast<uint32_t>(used);
    double share = c->partition_size ? 100.0 * c->used / c->partition_size : 0.0;
    log_printf(c->log, "%u/%uMiB, uses %4.1f%%\n", c->used / 2048, c->partition_size / 2048, share);
    return true;
}
