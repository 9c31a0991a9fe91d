// What the board needs to know about a HuCard ROM image: its mapping code
// and size (the romconfig bytes) and the flags byte of its disc record.
#pragma once

#include <cstdint>

#include "core/log.h"

struct rom_class {
    uint8_t romconfig[2];  // mapping code 4, 5 or 6; size in 8 KiB units
    uint8_t flags;         // 0x80 plus the size and registration bits
};

// size is a non-zero multiple of 8192 up to 1 MiB. Reports a size the
// board has no mapping for, and a ROM it knows by CRC-32 (extra RAM and
// Super System Card registers mapped).
rom_class rom_classify(log_sink *log, const uint8_t *rom, uint32_t size);
