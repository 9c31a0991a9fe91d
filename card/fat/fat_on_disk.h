// A FAT volume reached sector by sector on an open card.
#pragma once

#include <cstdint>

#include "card/store/disk_handle.h"
#include "card/fat/fat_root.h"

struct fat_on_disk {
    disk_handle *disk;
    uint32_t first_sector;  // absolute sector of the volume
};

// io for the volume of sector_count sectors at where->first_sector; where
// must outlive io. Transfers leave the disk's position alone.
fat_sector_io fat_io_on_disk(fat_on_disk *where, uint32_t sector_count);
