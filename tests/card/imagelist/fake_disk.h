// An in-memory stand-in for the card drive, with reads or writes that fail on
// request, so the renderer's read-modify-write can be checked without a card.
#pragma once

#include <cstdint>
#include <vector>

#include "card/store/disk_handle.h"

struct disk_handle {
    std::vector<uint8_t> bytes;
    uint32_t base = 0;  // relative point, in sectors
    uint64_t position = 0;
    bool fail_reads = false;
    bool fail_writes = false;
    int writes = 0;
};
