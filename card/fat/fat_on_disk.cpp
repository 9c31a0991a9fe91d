#include "card/fat/fat_on_disk.h"

namespace {

bool read_sectors(void *user, uint32_t sector, void *buffer, uint32_t count) {
    auto *w = static_cast<fat_on_disk *>(user);
    return disk_read_at(w->disk, uint64_t{w->first_sector} + sector, buffer, count * 512);
}

bool write_sectors(void *user, uint32_t sector, const void *buffer, uint32_t count) {
    auto *w = static_cast<fat_on_disk *>(user);
    return disk_write_at(w->disk, uint64_t{w->first_sector} + sector, buffer, count * 512);
}

}  // namespace

fat_sector_io fat_io_on_disk(fat_on_disk *where, uint32_t sector_count) {
    return {where, read_sectors, write_sectors, sector_count};
}
