// The partition entries of a card's MBR (sector 0), read in one place for
// the card layout and for finding the FAT partition.
#pragma once

#include <cstdint>

enum : uint32_t {
    MBR_ENTRY0 = 0x1BE,  // partition #0, the FAT partition
    MBR_ENTRY1 = 0x1CE,  // partition #1, the block chain
    // Fields inside an entry.
    MBR_TYPE = 4,
    MBR_FIRST = 8,
    MBR_SIZE = 12,
};

struct mbr_entry {
    uint8_t type;
    uint32_t first;  // first sector
    uint32_t count;  // sectors
};

// Entry `at` (MBR_ENTRY0 or MBR_ENTRY1) of an MBR sector.
mbr_entry mbr_entry_get(const uint8_t sector0[512], uint32_t at);
// The sector ends in the boot signature 55 AA.
bool mbr_signed(const uint8_t sector0[512]);
