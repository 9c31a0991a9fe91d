// "amount_change": cuts a block's disc amount at an entry. The entries from
// there on and every later block leave the chain; the index disc's table of
// contents is shortened to match. The TOC is shortened after the commit: a
// header that still lists an entry never meets an index disc whose TOC or
// lead-out has cut that entry's track, whenever the command is cut short.
#include <cstring>
#include <memory>

#include "card/commands/card_commands.h"
#include "card/commands/config_commands.h"
#include "card/layout/chain_walk.h"
#include "card/write/index_truncate.h"

namespace {

const char TOC_NOT_SHORTENED[] = "the index disc's table of contents could not be shortened";

// Sectors in use once the chain ends with the current block, number `block`:
// the listing written by the commit reports them.
bool usage_through(card_context *c, uint32_t block, uint32_t *used) {
    auto walk = std::make_unique<card_context>(*c);
    walk->log = log_null();  // the blocks were read once already
    uint64_t before = 0;
    if (!chain_walk(walk.get(), block, nullptr, &before)) {
        log_line(c->log, "read error");
        return false;
    }
    *used = static_cast<uint32_t>(before + block_used_sectors(*c));
    return true;
}

}  // namespace

int card_amount_change(card_context *c, int argc, const char *const *v) {
    if (argc < 1) return VMK_FAILED;
    image_number n;
    if (!config_select_entry(c, v[0], &n)) return VMK_FAILED;
    uint32_t index = n.record;
    if (index < 2) {
        log_line(c->log, "disc#0 or disc#1 not accepted");
        return VMK_FAILED;
    }
    log_printf(c->log, "disc amount %u->%u\n", c->disc_amount, index);
    c->disc_amount = index;
    // Dropped records leave the header zero, as they were before use.
    memset(&c->entries[index], 0, sizeof(disc_entry) * (CARD_DISC_SLOTS - index));

    uint32_t block = n.block;
    uint32_t used;
    if (!usage_through(c, block, &used)) return VMK_FAILED;

    disk_set_relativepoint(c->disk, c->block + c->entries[0].offset);
    auto toc = std::make_unique<index_truncate_plan>();
    if (!index_truncate_prepare(c->disk, index, c->version, toc.get())) {
        log_line(c->log, TOC_NOT_SHORTENED);
        return VMK_FAILED;
    }
    c->used = used;
    c->managearea_lba_next = 0;
    c->managearea_num = block + 1;
    if (!order_write(c)) return VMK_FAILED;
    disk_set_relativepoint(c->disk, c->block + c->entries[0].offset);
    if (!index_truncate_write(c->disk, *toc)) {
        log_line(c->log, TOC_NOT_SHORTENED);
        return VMK_FAILED;
    }
    return VMK_OK;
}
