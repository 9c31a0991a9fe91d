// Where a card's FAT partition (partition #0) can be reached, for the code
// that reads or writes files on it (the card listing, the empty-card check
// before formatting):
//   - a removable disk whose first partition the system has mounted: the
//     mount directory, through the file system;
//   - otherwise (an image file, a test store, a disk not mounted): sector
//     by sector on the card itself, at partition #0 as the MBR gives it.
#pragma once

#include <cstdint>
#include <string>

#include "card/store/disk_handle.h"
#include "core/log.h"

enum fat_access {
    FAT_ACCESS_NONE = 0,   // no partition #0: blank or unpartitioned card
    FAT_ACCESS_DIRECTORY,  // through the mounted file system
    FAT_ACCESS_SECTORS,    // on the card, sectors first_sector onward
};

struct fat_location {
    fat_access access = FAT_ACCESS_NONE;
    std::string directory;  // DIRECTORY: the mount point
    // SECTORS: partition #0 of the MBR (absolute sectors; the type byte is
    // passed on unjudged).
    uint8_t type = 0;
    uint32_t first_sector = 0;
    uint32_t sector_count = 0;
};

// 1 with *out filled; 0 when the drive is unknown, cannot be opened or its
// MBR cannot be read (the reason in the log). For SECTORS, open the drive
// with disk_open and use the sector range; the caller may already hold the
// card open, this function uses a handle of its own.
int drive_fat_location(log_sink *log, const char *drive, fat_location *out);

// The directory where the system has the drive's partition #0 mounted;
// empty when it has not (or the drive is unknown).
std::string drive_fat_mount(const char *drive);

// Partition #0 from the MBR of an open card, without moving the handle's
// position: 1 with *out set to SECTORS or NONE, 0 on a read error. An entry
// counts as present when the sector ends in 55 AA, its type is not 0 and its
// sectors lie inside the card.
int disk_fat_partition(disk_handle *h, fat_location *out);
