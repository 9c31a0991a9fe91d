// Geometry of a FAT volume taken from its boot sector. Internal to the FAT
// module (fat_root.h is its face).
#pragma once

#include <cstdint>

#include "card/fat/fat_root.h"

enum fat_kind { FAT_KIND_12 = 12, FAT_KIND_16 = 16, FAT_KIND_32 = 32 };

enum { FAT_DIR_ENTRY_SIZE = 32, FAT_ENTRIES_PER_SECTOR = 512 / FAT_DIR_ENTRY_SIZE };

struct fat_volume {
    fat_kind kind;
    uint32_t sectors_per_cluster;
    uint32_t fat_start;    // first sector of the first FAT
    uint32_t fat_sectors;  // per copy
    uint32_t fat_count;
    uint32_t root_start;    // FAT12/16: first sector of the fixed root directory
    uint32_t root_sectors;  // FAT12/16: whole sectors of it
    uint32_t root_cluster;  // FAT32: first cluster of the root directory
    uint32_t data_start;    // sector of cluster 2
    uint32_t cluster_count;
};

// FAT_OK, FAT_NOT_FAT or FAT_IO_ERROR. On FAT_OK every region the volume
// describes lies inside io->sector_count and each FAT holds an entry for every
// cluster, so callers index FATs and clusters without further checks.
int fat_volume_read(const fat_sector_io *io, fat_volume *v);

inline bool fat_cluster_valid(const fat_volume &v, uint32_t c) {
    return c >= 2 && c - 2 < v.cluster_count;
}
inline uint32_t fat_cluster_sector(const fat_volume &v, uint32_t c) {
    return v.data_start + (c - 2) * v.sectors_per_cluster;
}
