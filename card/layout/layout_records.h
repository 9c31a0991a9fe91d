// On-card structures of the card layout as plain records, parsed from and
// stored into byte buffers field by field. No disk access here.
#pragma once

#include <cstdint>

#include "card/layout/card_layout.h"
#include "core/log.h"

struct disc_record {
    uint32_t offset;
    uint32_t length;  // 24 bits on the card
    uint8_t flags;
};

// The first 1024 bytes of a block, without its reserved bytes (stores keep
// whatever the card held there).
struct managearea_header {
    uint8_t version;
    uint32_t disc_amount;
    uint32_t disc_manage_max;
    uint32_t managearea_lba_next;
    disc_record records[CARD_DISC_SLOTS];
};

// Partition #1 from sector 0: checks the signature-independent type bytes and
// that partition #1 is non-empty and lies on a card of sector_count sectors.
bool mbr_parse(log_sink *log, const uint8_t sector0[512], uint32_t sector_count, uint32_t *first,
               uint32_t *size);
// The table the format command writes for a card of n sectors (n > 4097).
void mbr_build(uint8_t sector0[512], uint32_t n);

// Magic, version, capacity and amount; records beyond disc_amount are zero.
bool managearea_header_parse(log_sink *log, const uint8_t buffer[MANAGEAREA_HEADER_BYTES],
                             managearea_header *h);
// Checks the records and the link of the block at sector s against partition
// #1 (sectors first .. first + size - 1).
bool managearea_header_check(log_sink *log, const managearea_header &h, uint32_t s, uint32_t first,
                             uint32_t size);
// Writes magic, fields and all 100 records; the reserved bytes stay as they are.
void managearea_header_store(const managearea_header &h, uint8_t buffer[MANAGEAREA_HEADER_BYTES]);

// Capacity of a new block from the sectors available: 12, 25, 50 or 100.
uint32_t managearea_capacity(uint32_t available);

// True when the first 100 bytes are a permutation of 0..99.
bool order_is_permutation(const uint8_t order[CARD_DISC_SLOTS]);

// A record's readable sectors: where its name lies and how long it must be.
inline uint32_t disc_name_sector(const disc_record &r) { return r.flags & 0x80 ? 1 : 3; }
