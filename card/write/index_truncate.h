// Shortening a block's index disc when its disc amount shrinks.
#pragma once

#include <cstdint>

#include "card/store/disk_handle.h"

// The disk's relative point must be at the index disc. Keeps tracks 1 to
// n - 1 (n is the new disc amount, 2 to 99): A1 names track n - 1 as the
// last, the lead-out moves to where track n began, and the stored sector
// there becomes a lead-out sector in the subchannel layout of the block's
// version. False when a transfer fails or the TOC has no track n; the TOC
// is written before the lead-out sector.
bool index_truncate(disk_handle *disk, uint32_t n, uint8_t version);
