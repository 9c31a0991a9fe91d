#include "card/layout/layout_records.h"

#include <cstring>

#include "card/fat/mbr_entry.h"
#include "core/le_bytes.h"

namespace {

const uint8_t MAGIC[3] = {'V', 'M', 'K'};

bool fat_series_type(uint8_t type) {
    switch (type) {
        case 0x01:
        case 0x04:
        case 0x06:
        case 0x07:
        case 0x0B:
        case 0x0C:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool mbr_parse(log_sink *log, const uint8_t s[512], uint32_t sector_count, uint32_t *first,
               uint32_t *size) {
    if (!fat_series_type(mbr_entry_get(s, MBR_ENTRY0).type)) {
        log_line(log, "partition #0 file system is not FAT series");
        return false;
    }
    mbr_entry chain = mbr_entry_get(s, MBR_ENTRY1);
    if (chain.type != 0xDA) {
        log_line(log, "partition #1 ID is not 0xda");
        return false;
    }
    *first = chain.first;
    *size = chain.count;
    if (*first == 0 || *size < 2 || uint64_t{*first} + *size > sector_count) {
        log_line(log, "partition #1 does not fit on the card");
        return false;
    }
    return true;
}

void mbr_build(uint8_t s[512], uint32_t n) {
    static const uint8_t entry0[8] = {0x01, 0xFE, 0xFF, 0xFF, 0x01, 0xFE, 0xFF, 0xFF};
    static const uint8_t entry1[8] = {0xDA, 0xFE, 0xFF, 0xFF, 0xDA, 0xFE, 0xFF, 0xFF};
    memset(s, 0, 512);
    memcpy(s + MBR_ENTRY0, entry0, 8);
    le32_put(s + MBR_ENTRY0 + MBR_FIRST, CARD_PARTITION0_START);
    le32_put(s + MBR_ENTRY0 + MBR_SIZE, CARD_PARTITION0_SECTORS);
    memcpy(s + MBR_ENTRY1, entry1, 8);
    le32_put(s + MBR_ENTRY1 + MBR_FIRST, CARD_PARTITION1_START);
    le32_put(s + MBR_ENTRY1 + MBR_SIZE, n - CARD_PARTITION1_START);
    s[510] = 0x55;
    s[511] = 0xAA;
}

bool managearea_header_parse(log_sink *log, const uint8_t b[MANAGEAREA_HEADER_BYTES],
                             managearea_header *h) {
    if (memcmp(b, MAGIC, 3) != 0) {
        log_line(log, "partition header error");
        return false;
    }
    h->version = b[3];
    if (h->version == 0 || h->version > 4) {
        log_printf(log, "unknown version 0x%02x\n", h->version);
        return false;
    }
    if (h->version < 3) {
        log_printf(log, "obsolate version 0x%02x\n", h->version);
        return false;
    }
    h->disc_amount = le32_get(b + 4);
    h->disc_manage_max = le32_get(b + 8);
    h->managearea_lba_next = le32_get(b + 12);
    // The amount bounds the record table: past it lies the rest of the header.
    if (h->disc_manage_max < 1 || h->disc_manage_max > CARD_DISC_SLOTS ||
        h->disc_amount > h->disc_manage_max) {
        log_line(log, "partition management amount error");
        return false;
    }
    memset(h->records, 0, sizeof h->records);
    for (uint32_t i = 0; i < h->disc_amount; i++) {
        const uint8_t *r = b + MANAGEAREA_RECORDS_AT + 8 * i;
        h->records[i] = {le32_get(r), le24_get(r + 4), r[7]};
    }
    return true;
}

bool managearea_header_check(log_sink *log, const managearea_header &h, uint32_t s, uint32_t first,
                             uint32_t size) {
    uint64_t end = uint64_t{first} + size;
    for (uint32_t i = 0; i < h.disc_amount; i++) {
        const disc_record &r = h.records[i];
        // Sectors read from the area: the name, and the settings of record 0.
        uint32_t needed = disc_name_sector(r) + 1;
        if (i == 0 && needed < CARD_SETTINGS_SECTOR + 1) needed = CARD_SETTINGS_SECTOR + 1;
        if (r.offset < 2 || uint64_t{s} + r.offset + r.length > end) {
            log_printf(log, "disc record %u lies outside partition #1\n", i);
            return false;
        }
        if (r.length < needed) {
            log_printf(log, "disc record %u is too short\n", i);
            return false;
        }
    }
    uint32_t next = h.managearea_lba_next;
    if (next == 0) return true;
    bool linked = h.disc_amount > 0 && next > s && uint64_t{next} + 2 <= end &&
                  uint64_t{next} == uint64_t{s} + h.records[h.disc_amount - 1].offset +
                                        h.records[h.disc_amount - 1].length;
    if (!linked) {
        log_line(log, "manage area chain is incorrect");
        return false;
    }
    return true;
}

void managearea_header_store(const managearea_header &h, uint8_t b[MANAGEAREA_HEADER_BYTES]) {
    memcpy(b, MAGIC, 3);
    b[3] = h.version;
    le32_put(b + 4, h.disc_amount);
    le32_put(b + 8, h.disc_manage_max);
    le32_put(b + 12, h.managearea_lba_next);
    for (uint32_t i = 0; i < CARD_DISC_SLOTS; i++) {
        uint8_t *r = b + MANAGEAREA_RECORDS_AT + 8 * i;
        le32_put(r, h.records[i].offset);
        le24_put(r + 4, h.records[i].length);
        r[7] = h.records[i].flags;
    }
}

uint32_t managearea_capacity(uint32_t available) {
    if (available <= 0x7FFFFF) return 12;
    if (available <= 0xEFFFFF) return 25;
    if (available <= 0x1DFFFFF) return 50;
    return 100;
}

bool order_is_permutation(const uint8_t order[CARD_DISC_SLOTS]) {
    bool seen[CARD_DISC_SLOTS] = {};
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
        if (order[p] >= CARD_DISC_SLOTS || seen[order[p]]) return false;
        seen[order[p]] = true;
    }
    return true;
}
