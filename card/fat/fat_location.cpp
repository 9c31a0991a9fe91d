#include "card/fat/fat_location.h"

#include <cstring>

#include "card/store/disk_over_store.h"
#include "card/store/drive_table.h"

namespace {

uint32_t le32(const uint8_t *p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// MBR partition entry 0: type at 0x1C2, first sector at 0x1C6, count at 0x1CA.
constexpr size_t ENTRY0_TYPE = 0x1C2;
constexpr size_t ENTRY0_FIRST = 0x1C6;
constexpr size_t ENTRY0_COUNT = 0x1CA;

}  // namespace

int disk_fat_partition(disk_handle *h, fat_location *out) {
    uint8_t mbr[DISK_SECTOR_SIZE];
    if (!disk_read_at(h, 0, mbr, sizeof mbr)) return 0;
    *out = fat_location{};
    uint8_t type = mbr[ENTRY0_TYPE];
    uint64_t first = le32(mbr + ENTRY0_FIRST), count = le32(mbr + ENTRY0_COUNT);
    bool signed_mbr = mbr[510] == 0x55 && mbr[511] == 0xAA;
    if (!signed_mbr || type == 0 || first == 0 || count == 0 ||
        first + count > disk_total_sectors(h))
        return 1;
    out->access = FAT_ACCESS_SECTORS;
    out->type = type;
    out->first_sector = static_cast<uint32_t>(first);
    out->sector_count = static_cast<uint32_t>(count);
    return 1;
}

int drive_fat_location(log_sink *log, const char *drive, fat_location *out) {
    *out = fat_location{};
    drive_entry entry;
    if (drive != nullptr && drive[0] != '\0') drive_table_refresh();
    if (drive == nullptr || !drive_table_find(drive[0], &entry)) {
        log_line(log, "logical drive not found");
        return 0;
    }
    if (entry.kind == DRIVE_BLOCK_DEVICE && !entry.first_partition_mount.empty()) {
        out->access = FAT_ACCESS_DIRECTORY;
        out->directory = entry.first_partition_mount;
        return 1;
    }
    disk_handle *h = disk_open(log, drive, 0);
    if (h == nullptr) return 0;
    int ok = disk_fat_partition(h, out);
    if (!ok) log_line(log, "read error");
    disk_close(h);
    return ok;
}
