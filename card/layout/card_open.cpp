// Opening a card and reading blocks of its chain.
#include <cstring>

#include "card/store/drive_table.h"
#include "card/layout/card_layout.h"
#include "core/text_copy.h"
#include "card/layout/chain_walk.h"
#include "card/layout/card_io.h"
#include "card/layout/layout_records.h"
#include "core/le_bytes.h"

namespace {

void identity_order(uint8_t order[CARD_DISC_SLOTS]) {
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) order[p] = static_cast<uint8_t>(p);
}

// Names, ROM configuration and the settings sector of a parsed block.
bool read_block_contents(card_context *c, const managearea_header &h, uint32_t s) {
    uint8_t sector[512];
    for (uint32_t i = 0; i < h.disc_amount; i++) {
        disc_entry &e = c->entries[i];
        const disc_record &r = h.records[i];
        e.flags = r.flags;
        e.offset = r.offset;
        e.length = r.length;
        if (disc_is_rom(e)) {
            if (!card_read_at(c, s + r.offset, sector, 512)) return false;
            e.romconfig[0] = sector[0];
            e.romconfig[1] = sector[1];
        }
        if (!card_read_at(c, s + r.offset + disc_name_sector(r), sector, 512)) return false;
        // A name written elsewhere may fill the sector without a terminator.
        const char *text = reinterpret_cast<const char *>(sector);
        memcpy(e.name, text, text_cut_utf8(text, CARD_NAME_SIZE - 1));
    }
    identity_order(c->order);
    if (h.disc_amount == 0) return true;
    if (!card_read_at(c, s + h.records[0].offset + CARD_SETTINGS_SECTOR, sector, 512)) return false;
    if (order_is_permutation(sector))
        memcpy(c->order, sector, CARD_DISC_SLOTS);
    else
        log_line(c->log, "reorder data not found");
    for (uint32_t r = 0; r < CARD_DISC_SLOTS; r++)
        c->entries[r].config = le32_get(sector + CARD_DISC_SLOTS + 4 * r);
    return true;
}

}  // namespace

bool managearea_read(card_context *c, uint32_t s) {
    uint8_t buffer[MANAGEAREA_HEADER_BYTES];
    managearea_header h;
    if (!card_read_at(c, s, buffer, sizeof buffer)) return false;
    if (!managearea_header_parse(c->log, buffer, &h)) return false;
    if (!managearea_header_check(c->log, h, s, c->first_block, c->partition_size)) return false;
    memset(c->entries, 0, sizeof c->entries);
    c->block = s;
    c->version = h.version;
    c->disc_amount = h.disc_amount;
    c->disc_manage_max = h.disc_manage_max;
    c->managearea_lba_next = h.managearea_lba_next;
    return read_block_contents(c, h, s);
}

bool managearea_select(card_context *c, uint32_t b) {
    uint32_t last = 0;
    auto reach = [&last](card_context *, uint32_t k) {
        last = k;
        return true;
    };
    // A b of UINT32_MAX walks no block at all, and is not found either.
    if (!chain_walk(c, b + 1, reach)) return false;
    if (last != b) {
        log_line(c->log, "manage area block not found");
        return false;
    }
    return true;
}

static bool read_chain(card_context *c) {
    uint8_t sector0[512];
    if (!card_read_at(c, 0, sector0, sizeof sector0)) return false;
    if (!mbr_parse(c->log, sector0, disk_sector_count(c->disk), &c->first_block,
                   &c->partition_size))
        return false;
    c->managearea_num = 0;
    uint64_t used = 0;
    auto count = [](card_context *c, uint32_t k) {
        if (k + 1 >= CARD_CHAIN_LIMIT) {
            log_printf(c->log, "manage area chain is longer than %u blocks\n",
                       CARD_CHAIN_LIMIT - 1);
            return false;
        }
        c->managearea_num = k + 1;
        return true;
    };
    if (!chain_walk(c, CHAIN_WALK_ALL, count, &used)) return false;
    // Areas that overlap can claim more than the partition holds.
    if (used > c->partition_size) {
        log_line(c->log, "manage area chain is incorrect");
        return false;
    }
    c->used = static_cast<uint32_t>(used);
    return c->managearea_num == 1 || managearea_read(c, c->first_block);
}

static bool card_open_with(card_context *c, int mode) {
    if (!drive_argument_check(c->log, c->drive)) return false;
    c->disk = disk_open(c->log, c->drive, mode);
    if (c->disk == nullptr) {
        log_line(c->log, "error opening physical drive");
        return false;
    }
    if (read_chain(c)) return true;
    disk_close(c->disk);
    c->disk = nullptr;
    return false;
}

bool card_open(card_context *c) { return card_open_with(c, DISK_OPEN_WRITE); }

bool card_open_to_read(card_context *c) { return card_open_with(c, DISK_OPEN_READ); }
