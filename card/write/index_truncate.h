// Shortening a block's index disc when its disc amount shrinks.
#pragma once

#include <cstdint>

#include "card/cdimage/subchannel_q.h"
#include "card/store/disk_handle.h"
#include "card/write/index_toc.h"

// The shortened TOC and the lead-out that goes where the first dropped track
// began, worked out before anything is written.
struct index_truncate_plan {
    uint8_t head[INDEX_TOC_READ_BYTES];
    uint64_t leadout_byte;  // in the index disc
    uint8_t leadout_subchannel[SUBCHANNEL_BLOCK_SIZE];
};

// The disk's relative point must be at the index disc. Keeps tracks 1 to
// n - 1 (n is the new disc amount, 2 to 99): A1 names track n - 1 as the
// last, the lead-out moves to where track n began, and the stored sector
// there becomes a lead-out sector in the subchannel layout of the block's
// version. False when the TOC cannot be read or has no track n.
bool index_truncate_prepare(disk_handle *disk, uint32_t n, uint8_t version,
                            index_truncate_plan *plan);
// The TOC first, then the lead-out sector. False when a transfer fails.
bool index_truncate_write(disk_handle *disk, const index_truncate_plan &plan);
// Both in one.
bool index_truncate(disk_handle *disk, uint32_t n, uint8_t version);
