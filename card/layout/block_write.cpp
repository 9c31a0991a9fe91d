// Creating, extending and naming: the writes of the card layout other than
// the block commit.
#include <cstring>
#include <vector>

#include "card/layout/card_io.h"
#include "card/layout/card_layout.h"
#include "card/layout/layout_records.h"
#include "core/le_bytes.h"
#include "core/text_copy.h"

bool managearea_init(card_context *c, uint32_t available, uint32_t s) {
    memset(c->entries, 0, sizeof c->entries);
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) c->order[p] = static_cast<uint8_t>(p);
    c->disc_amount = 0;
    c->managearea_lba_next = 0;
    c->block = s;
    c->disc_manage_max = managearea_capacity(available);
    log_printf(c->log, "disc manage max = %d\n", static_cast<int>(c->disc_manage_max));

    std::vector<uint8_t> block(MANAGEAREA_INIT_BYTES, 0);
    managearea_header h{};
    h.version = 3;
    h.disc_manage_max = c->disc_manage_max;
    managearea_header_store(h, block.data());
    if (!card_write_structure_at(c, s, block.data(), MANAGEAREA_INIT_BYTES,
                                 "write error in management area"))
        return false;
    log_line(c->log, "initialization successful.");
    return true;
}

bool managearea_append(card_context *c) {
    if (c->disc_amount == 0) {
        log_line(c->log, "an empty manage area block cannot be followed by another");
        return false;
    }
    // Every chain must open again, and opening refuses CARD_CHAIN_LIMIT blocks.
    if (c->managearea_num + 1 >= CARD_CHAIN_LIMIT) {
        log_printf(c->log, "manage area chain is full (%u blocks)\n", c->managearea_num);
        return false;
    }
    const disc_entry &last = c->entries[c->disc_amount - 1];
    uint64_t next = uint64_t{c->block} + last.offset + last.length;
    if (next + MANAGEAREA_INIT_BYTES / 512 > uint64_t{c->first_block} + c->partition_size) {
        log_line(c->log, "no room for another manage area block");
        return false;
    }
    uint32_t old_block = c->block;
    uint8_t version = c->version;
    uint32_t available = disk_sector_count(c->disk) - c->used;
    if (!managearea_init(c, available, static_cast<uint32_t>(next))) return false;

    // The link goes in last: until then the old block still ends the chain.
    uint8_t sector[512];
    if (!card_read_at(c, old_block, sector, sizeof sector)) return false;
    le32_put(sector + 12, static_cast<uint32_t>(next));
    if (!card_write_structure_at(c, old_block, sector, sizeof sector,
                                 "write error in management area"))
        return false;
    c->version = version;
    c->used += 2;
    c->managearea_num++;
    return true;
}

bool managearea_cut(card_context *c, uint32_t amount) {
    if (amount >= c->disc_amount && c->managearea_lba_next == 0) return true;
    uint8_t header[MANAGEAREA_HEADER_BYTES];
    if (!card_read_at(c, c->block, header, sizeof header)) return false;
    managearea_header h;
    if (!managearea_header_parse(c->log, header, &h)) return false;
    if (amount < h.disc_amount) h.disc_amount = amount;
    for (uint32_t i = h.disc_amount; i < CARD_DISC_SLOTS; i++) h.records[i] = disc_record{};
    h.managearea_lba_next = 0;
    managearea_header_store(h, header);
    if (!card_write_structure_at(c, c->block, header, sizeof header,
                                 "write error in management area"))
        return false;
    c->managearea_lba_next = 0;
    return true;
}

bool order_write(card_context *c) {
    uint8_t order[CARD_DISC_SLOTS];
    bool placed[CARD_DISC_SLOTS] = {};
    uint32_t n = 0;
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
        uint8_t r = c->order[p];
        if (r < c->disc_amount && !placed[r]) {
            order[n++] = r;
            placed[r] = true;
        }
    }
    for (uint32_t r = 0; r < CARD_DISC_SLOTS; r++)
        if (!placed[r]) order[n++] = static_cast<uint8_t>(r);
    memcpy(c->order, order, sizeof order);
    return managearea_write(c);
}

void entry_name_set(disc_entry *e, const char *text) {
    memset(e->name, 0, sizeof e->name);
    memcpy(e->name, text, text_cut_utf8(text, CARD_NAME_SIZE - 1));
}

bool name_write(card_context *c, const disc_entry *e, const char *text) {
    uint8_t sector[CARD_NAME_SIZE] = {};
    memcpy(sector, text, text_cut_utf8(text, CARD_NAME_SIZE - 1));
    uint32_t at = c->block + e->offset + (disc_is_rom(*e) ? 1 : 3);
    return card_write_at(c, at, sector, sizeof sector, "write error");
}
