#include "card/fat/fat_location.h"

#include "card/fat/mbr_entry.h"
#include "card/store/disk_over_store.h"
#include "card/store/drive_table.h"

int disk_fat_partition(disk_handle *h, fat_location *out) {
    uint8_t mbr[DISK_SECTOR_SIZE];
    if (!disk_read_at(h, 0, mbr, sizeof mbr)) return 0;
    *out = fat_location{};
    mbr_entry e = mbr_entry_get(mbr, MBR_ENTRY0);
    if (!mbr_signed(mbr) || e.type == 0 || e.first == 0 || e.count == 0 ||
        uint64_t{e.first} + e.count > disk_total_sectors(h))
        return 1;
    out->access = FAT_ACCESS_SECTORS;
    out->type = e.type;
    out->first_sector = e.first;
    out->sector_count = e.count;
    return 1;
}

namespace {

std::string mount_of(const drive_entry &entry) {
    return entry.kind == DRIVE_BLOCK_DEVICE ? entry.first_partition_mount : "";
}

}  // namespace

std::string drive_fat_mount(const char *drive) {
    drive_entry entry;
    return drive_resolve(log_null(), drive, &entry) ? mount_of(entry) : "";
}

int drive_fat_location(log_sink *log, const char *drive, fat_location *out) {
    *out = fat_location{};
    drive_entry entry;
    if (!drive_resolve(log, drive, &entry)) return 0;
    if (!mount_of(entry).empty()) {
        out->access = FAT_ACCESS_DIRECTORY;
        out->directory = mount_of(entry);
        return 1;
    }
    disk_handle *h = disk_open(log, drive, DISK_OPEN_READ);
    if (h == nullptr) return 0;
    int ok = disk_fat_partition(h, out);
    if (!ok) log_line(log, "read error");
    disk_close(h);
    return ok;
}
