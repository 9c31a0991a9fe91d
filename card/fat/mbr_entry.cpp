#include "card/fat/mbr_entry.h"

#include "core/le_bytes.h"

mbr_entry mbr_entry_get(const uint8_t sector0[512], uint32_t at) {
    return mbr_entry{sector0[at + MBR_TYPE], le32_get(sector0 + at + MBR_FIRST),
                     le32_get(sector0 + at + MBR_SIZE)};
}

bool mbr_signed(const uint8_t sector0[512]) { return sector0[510] == 0x55 && sector0[511] == 0xAA; }
