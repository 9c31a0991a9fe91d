// Backup RAM areas kept in a block's index disc: 2048 bytes per disc index
// 0..99, from sector 201 of the index disc (sectors 201..600, inside the raw
// sectors that the image list rewrites unchanged).
#pragma once

#include <cstdint>
#include <string>

#include "card/layout/card_layout.h"

enum : uint32_t {
    BKRAM_AREA_BYTES = 2048,
    BKRAM_AREA_SECTORS = 4,
    BKRAM_FIRST_SECTOR = 201,  // of the index disc
    BKRAM_AREAS_END = BKRAM_FIRST_SECTOR + CARD_DISC_SLOTS * BKRAM_AREA_SECTORS,
};

// Sector of disc index i's area, counted from the start of the index disc.
inline uint32_t bkram_area_sector(uint32_t i) {
    return BKRAM_FIRST_SECTOR + BKRAM_AREA_SECTORS * i;
}

// True when the area starts with the backup RAM header "HUBM" 00 88 and is
// not freshly formatted (free pointer 0x8010 in bytes 6..7).
bool bkram_area_holds_data(const uint8_t *area);

// "<path><separator><number %03u>_<name>.sav": no separator when the path
// ends in '/' or '\', else "/". A '/' in the disc name, which would lead the
// file into another folder, becomes '_'.
std::string bkram_file_name(const std::string &path, uint32_t number, const char *name);
