// "config", "config_single" and "config_multi": the flags byte, the config
// word and the name of disc entries. Every changed block is committed with
// order_write; a command fails when a commit does.
#include "card/commands/config_commands.h"

#include <vector>

#include "card/layout/card_args.h"
#include "card/commands/card_commands.h"
#include "card/commands/config_request.h"
#include "card/layout/layout_records.h"

namespace {

const char DISC_NOT_IN_CHAIN[] = "disc# is not exist";

// A HuCard entry's area has 2 sectors; as a CD entry its name sector (3)
// would lie in the next area, and the card would no longer open.
bool area_fits_kind(card_context *c, const disc_entry &e, uint8_t flags) {
    if (disc_name_sector(disc_record{e.offset, e.length, flags}) < e.length) return true;
    log_printf(c->log, "flags 0x%02x: the entry's area is too short for a CD entry\n", flags);
    return false;
}

bool apply_request(card_context *c, const config_request &r, image_number n) {
    uint32_t index = n.record;
    if (index >= c->disc_amount) {
        log_printf(c->log, "over disc amount. amount %d, selected %d\n",
                   static_cast<int>(c->disc_amount), static_cast<int>(index));
        return false;
    }
    disc_entry &e = c->entries[index];
    uint32_t old = e.config;
    config_request_apply(r, &e);
    log_printf(c->log, "%d:0x%08x->0x%08x\n", static_cast<int>(n.value()), old, e.config);
    return true;
}

}  // namespace

bool config_select_entry(card_context *c, const char *text, image_number *n) {
    if (!card_arg_image(c, text, DISC_NOT_IN_CHAIN, n) || !managearea_select(c, n->block))
        return false;
    if (n->record >= c->disc_amount) {
        log_line(c->log, "disc# is larger than disc amount");
        return false;
    }
    return true;
}

int card_config(card_context *c, int argc, const char *const *v) {
    if (argc < 2) return VMK_FAILED;
    unsigned long value;
    image_number n;
    if (!card_arg_ulong(c->log, v[1], &value) || !config_select_entry(c, v[0], &n)) return VMK_FAILED;
    disc_entry &e = c->entries[n.record];
    uint8_t flags = static_cast<uint8_t>(value & 0xFF);
    if (!area_fits_kind(c, e, flags)) return VMK_FAILED;
    e.flags = flags;
    if (argc >= 3) {
        entry_name_set(&e, v[2]);
        if (!name_write(c, &e, e.name)) return VMK_FAILED;
    }
    return vmk_status(order_write(c));
}

int card_config_single(card_context *c, int argc, const char *const *v) {
    if (argc < 7) return VMK_FAILED;
    config_request r;
    image_number n;
    if (!config_request_parse(c->log, v, &r) || !card_arg_image(c, v[5], DISC_NOT_IN_CHAIN, &n))
        return VMK_FAILED;
    if (!managearea_select(c, n.block) || !apply_request(c, r, n)) return VMK_FAILED;
    disc_entry &e = c->entries[n.record];
    entry_name_set(&e, v[6]);
    if (!name_write(c, &e, e.name)) return VMK_FAILED;
    return vmk_status(order_write(c));
}

int card_config_multi(card_context *c, int argc, const char *const *v) {
    if (argc < 6) return VMK_FAILED;
    config_request r;
    if (!config_request_parse(c->log, v, &r)) return VMK_FAILED;
    // Every number is checked before the first block changes.
    std::vector<image_number> numbers;
    for (int i = 5; i < argc; i++) {
        image_number n;
        if (!card_arg_image(c, v[i], DISC_NOT_IN_CHAIN, &n)) return VMK_FAILED;
        numbers.push_back(n);
    }
    // A block is committed before the next one is loaded; a failure leaves
    // the blocks committed so far as they are.
    bool loaded = false;
    uint32_t current = 0;
    for (image_number n : numbers) {
        if (!loaded || n.block != current) {
            if (loaded && !order_write(c)) return VMK_FAILED;
            if (!managearea_select(c, n.block)) return VMK_FAILED;
            loaded = true;
            current = n.block;
        }
        if (!apply_request(c, r, n)) return VMK_FAILED;
    }
    return vmk_status(order_write(c));
}
