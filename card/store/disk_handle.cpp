// Disk handles over sector stores: the drive letter picks the store, the
// handle keeps the position and the relative base.
#include "card/store/disk_handle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "card/store/disk_over_store.h"
#include "card/store/drive_open.h"
#include "card/store/drive_table.h"
#include "card/store/write_journal.h"
#include "core/internal_error.h"

struct disk_handle {
    log_sink *log;
    sector_store *store;
    bool owns_store;
    bool unflushed;          // written since the last flush
    uint64_t total_sectors;  // of the medium, full width
    uint32_t relativepoint;
    uint64_t position;  // in sectors
    // Empty until the first write is remembered, so starting one cannot fail.
    write_journal journal;
    bool journaling = false;
};

namespace {

uint32_t sectors_of(uint32_t bytes) { return bytes / DISK_SECTOR_SIZE; }

bool whole_sectors(uint32_t bytes) {
    if (bytes % DISK_SECTOR_SIZE == 0) return true;
    internal_error("transfer size is not a multiple of 512 bytes");
    return false;
}

}  // namespace

disk_handle *disk_open_store(log_sink *log, sector_store *store, bool owned) {
    if (store == nullptr) return nullptr;
    uint64_t total = store_sector_count(store);
    return new disk_handle{log, store, owned, false, total, 0, 0, {}, false};
}

disk_handle *disk_open(log_sink *log, const char *drive, int mode) {
    drive_entry entry;
    if (!drive_resolve(log, drive, &entry)) return nullptr;
    sector_store *store = nullptr;
    bool owned = true;
    switch (entry.kind) {
        case DRIVE_BLOCK_DEVICE:
            store = open_card_device(log, entry.name, mode != DISK_OPEN_READ,
                                     mode == DISK_OPEN_LOCK);
            break;
        case DRIVE_IMAGE_FILE:
            store = open_card_image(log, entry.path);
            break;
        case DRIVE_STORE:
            store = entry.store;
            owned = false;
            break;
    }
    return store == nullptr ? nullptr : disk_open_store(log, store, owned);
}

bool disk_flush(disk_handle *h) {
    if (h == nullptr) return false;
    if (!h->unflushed) return true;
    if (store_flush(h->store) != 0) return false;
    h->unflushed = false;
    return true;
}

bool disk_reread_partitions(disk_handle *h, std::string *why) {
    if (!disk_flush(h)) {
        *why = "flush error";
        return false;
    }
    return store_reread_partitions(h->store, why) == 0;
}

void disk_close(disk_handle *h) {
    if (h == nullptr) return;
    if (!disk_flush(h)) log_line(h->log, "flush error");
    if (h->owns_store) store_close(h->store);
    delete h;
}

uint32_t disk_sector_count(disk_handle *h) { return static_cast<uint32_t>(h->total_sectors); }
uint64_t disk_total_sectors(disk_handle *h) { return h->total_sectors; }

void disk_set_relativepoint(disk_handle *h, uint32_t base) { h->relativepoint = base; }

// Any position can be set, as on the system's own drives; a transfer there
// fails if it runs past the end of the medium.
bool disk_seek(disk_handle *h, uint32_t sector) {
    h->position = sector;
    return true;
}

bool disk_seek_relative(disk_handle *h, uint32_t sector) {
    if (h->relativepoint == 0) {
        internal_error("relative seek before the base was set");
        return false;
    }
    h->position = uint64_t{h->relativepoint} + sector;  // no 32-bit wrap
    return true;
}

uint64_t disk_position(const disk_handle *h) { return h->position; }

bool disk_read_at(disk_handle *h, uint64_t sector, void *buffer, uint32_t bytes) {
    return whole_sectors(bytes) && store_read(h->store, sector, sectors_of(bytes), buffer) == 0;
}

bool disk_write_at(disk_handle *h, uint64_t sector, const void *buffer, uint32_t bytes) {
    if (!whole_sectors(bytes)) return false;
    h->unflushed = true;  // a failed write may still have changed sectors
    if (store_write(h->store, sector, sectors_of(bytes), buffer) != 0) return false;
    if (h->journaling && !h->journal.record(sector, sectors_of(bytes), buffer)) {
        log_line(h->log, "out of memory for the read-back check");
        return false;
    }
    return true;
}

void disk_journal_start(disk_handle *h) {
    h->journal.clear();
    h->journaling = true;
}

disk_verify_result disk_journal_verify(disk_handle *h, uint64_t *sector) {
    if (!h->journaling) return DISK_VERIFY_SAME;
    if (!disk_flush(h)) {
        *sector = 0;
        return DISK_VERIFY_UNREADABLE;
    }
    gauge_set_range(h->log, static_cast<int64_t>(h->journal.sectors()));
    write_journal::result r = h->journal.verify(h->store, h->log, sector);
    h->journal.clear();
    switch (r) {
        case write_journal::SAME: return DISK_VERIFY_SAME;
        case write_journal::DIFFERENT: return DISK_VERIFY_DIFFERENT;
        case write_journal::UNREADABLE: return DISK_VERIFY_UNREADABLE;
        case write_journal::STOPPED: break;
    }
    return DISK_VERIFY_STOPPED;
}

bool disk_read_uncached_at(disk_handle *h, uint64_t sector, void *buffer, uint32_t bytes) {
    return whole_sectors(bytes) &&
           store_read_uncached(h->store, sector, sectors_of(bytes), buffer) == 0;
}

bool disk_drop_cache(disk_handle *h, uint64_t sector, uint64_t count) {
    return store_drop_cache(h->store, sector, count) == 0;
}

bool disk_read(disk_handle *h, void *buffer, uint32_t bytes) {
    if (!disk_read_at(h, h->position, buffer, bytes)) return false;
    h->position += sectors_of(bytes);
    return true;
}

bool disk_write(disk_handle *h, const void *buffer, uint32_t bytes) {
    if (!disk_write_at(h, h->position, buffer, bytes)) return false;
    h->position += sectors_of(bytes);
    return true;
}

uint32_t removable_drive_mask() {
    drive_table_refresh();
    uint32_t mask = 0;
    for (const drive_entry &e : drive_table_entries())
        if (e.has_medium) mask |= uint32_t{1} << (e.letter - 'A');
    return mask;
}
