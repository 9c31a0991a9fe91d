#include "card/fat/fat_volume.h"

#include "core/le_bytes.h"

namespace {

bool power_of_two(uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

// Bytes a FAT of the kind needs for entries 0 .. cluster_count + 1.
uint64_t fat_bytes_needed(fat_kind kind, uint32_t cluster_count) {
    uint64_t entries = uint64_t{cluster_count} + 2;
    switch (kind) {
        case FAT_KIND_12:
            return (entries * 3 + 1) / 2;
        case FAT_KIND_16:
            return entries * 2;
        case FAT_KIND_32:
            return entries * 4;
    }
    return UINT64_MAX;
}

}  // namespace

int fat_volume_read(const fat_sector_io *io, fat_volume *v) {
    uint8_t boot[512];
    if (io->sector_count == 0) return FAT_NOT_FAT;
    if (!io->read(io->user, 0, boot, 1)) return FAT_IO_ERROR;
    if (boot[510] != 0x55 || boot[511] != 0xAA) return FAT_NOT_FAT;
    if (boot[0] != 0xEB && boot[0] != 0xE9) return FAT_NOT_FAT;

    uint32_t bytes_per_sector = le16_get(boot + 11);
    uint32_t sectors_per_cluster = boot[13];
    uint32_t reserved = le16_get(boot + 14);
    uint32_t fat_count = boot[16];
    uint32_t root_entries = le16_get(boot + 17);
    uint32_t total = le16_get(boot + 19);
    if (total == 0) total = le32_get(boot + 32);
    uint32_t fat_sectors = le16_get(boot + 22);
    bool fat32_layout = fat_sectors == 0;
    if (fat32_layout) fat_sectors = le32_get(boot + 36);

    // Only 512-byte sectors: the card store addresses nothing else.
    if (bytes_per_sector != 512 || !power_of_two(sectors_per_cluster) || reserved == 0 ||
        fat_count == 0 || fat_sectors == 0 || total == 0)
        return FAT_NOT_FAT;
    if (total > io->sector_count) return FAT_NOT_FAT;

    uint64_t root_sectors = (uint64_t{root_entries} * FAT_DIR_ENTRY_SIZE + 511) / 512;
    uint64_t root_start = reserved + uint64_t{fat_count} * fat_sectors;
    uint64_t data_start = root_start + root_sectors;
    if (data_start >= total) return FAT_NOT_FAT;
    uint32_t cluster_count = static_cast<uint32_t>((total - data_start) / sectors_per_cluster);

    fat_kind kind = cluster_count < 4085    ? FAT_KIND_12
                    : cluster_count < 65525 ? FAT_KIND_16
                                            : FAT_KIND_32;
    // The cluster count decides the kind; a layout that disagrees is no FAT.
    if ((kind == FAT_KIND_32) != fat32_layout) return FAT_NOT_FAT;
    if ((kind == FAT_KIND_32) != (root_entries == 0)) return FAT_NOT_FAT;
    if (fat_bytes_needed(kind, cluster_count) > uint64_t{fat_sectors} * 512) return FAT_NOT_FAT;

    v->kind = kind;
    v->sectors_per_cluster = sectors_per_cluster;
    v->fat_start = reserved;
    v->fat_sectors = fat_sectors;
    v->fat_count = fat_count;
    v->root_start = static_cast<uint32_t>(root_start);
    v->root_sectors = static_cast<uint32_t>(root_sectors);
    v->root_cluster = kind == FAT_KIND_32 ? le32_get(boot + 44) : 0;
    v->data_start = static_cast<uint32_t>(data_start);
    v->cluster_count = cluster_count;
    return FAT_OK;
}
