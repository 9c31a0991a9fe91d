#include <algorithm>
#include <cstring>
#include <utility>

#include "card/write/disc_area_write.h"
#include "card/cdimage/image_input.h"
#include "card/layout/stored_sector.h"
#include "card/cdimage/subchannel_q.h"
#include "platform/files.h"

namespace {

constexpr uint32_t BUFFER_SECTORS = 256;  // 0x99000 bytes, a whole number of disk sectors
constexpr uint32_t LEADOUT_ENTRY = 2;     // the TOC's third entry is A2
// The system's cache (and most media) work in pages of 4 KiB: a write that
// ends inside a page which is not cached has the next write read the page
// back first, one small wait on every buffer. Each write but the last ends
// on a page, the disk sectors past it kept for the next.
constexpr uint32_t PAGE_SECTORS = 8;
constexpr size_t HEADROOM = size_t{PAGE_SECTORS} * DISK_SECTOR_SIZE;

// Collects stored sectors and writes them sequentially in whole buffers.
struct area_writer {
    disk_handle *disk;
    log_sink *log;
    // Headroom for the carried disk sectors, then the stored sectors; its
    // pages mapped in one call (a fault a page costs more than the copy).
    mapped_buffer memory;
    uint32_t filled = 0;
    uint32_t counted = 0;  // sectors in the buffer that the gauge counts
    size_t carried = 0;    // bytes just before the stored sectors, written next

    area_writer(disk_handle *d, log_sink *l)
        : disk(d), log(l),
          memory(HEADROOM + size_t{BUFFER_SECTORS} * STORED_SECTOR_SIZE + DISK_SECTOR_SIZE) {}

    bool ready() const { return memory.as<uint8_t>() != nullptr; }
    uint8_t *stored(uint32_t k) { return memory.as<uint8_t>() + HEADROOM + size_t{k} * STORED_SECTOR_SIZE; }
    uint8_t *slot(bool count) {
        counted += count;
        return stored(filled++);
    }
    bool full() const { return filled == BUFFER_SECTORS; }

    // Writes what the buffer holds up to the last page boundary; the last
    // write (last) everything, its last disk sector padded with 0xAA.
    bool write(bool last) {
        size_t bytes = carried + size_t{filled} * STORED_SECTOR_SIZE;
        uint8_t *from = stored(0) - carried;
        size_t padded = (bytes + DISK_SECTOR_SIZE - 1) / DISK_SECTOR_SIZE * DISK_SECTOR_SIZE;
        memset(from + bytes, STORED_LEADOUT_FILL, padded - bytes);
        size_t now = padded;
        if (!last) {
            // A full buffer is whole disk sectors: nothing is padded.
            uint64_t end = disk_position(disk) + padded / DISK_SECTOR_SIZE;
            now -= size_t{end % PAGE_SECTORS} * DISK_SECTOR_SIZE;
        }
        if (now > 0 && !disk_write(disk, from, static_cast<uint32_t>(now))) {
            log_line(log, "write error");
            return false;
        }
        carried = padded - now;
        memmove(stored(0) - carried, from + now, carried);
        gauge_step(log, counted);
        filled = counted = 0;
        return true;
    }
};

}  // namespace

uint64_t cd_area_sectors(uint64_t n) {
    return ((n + STORED_PREGAP_SECTORS + 1) * STORED_SECTOR_SIZE + DISK_SECTOR_SIZE - 1) /
           DISK_SECTOR_SIZE;
}

int cd_image_write(disk_handle *disk, uint32_t area, const disc_description *d, log_sink *log,
                   cd_source *source, subchannel_transform transform, bool strict) {
    if (d->tocentries <= LEADOUT_ENTRY || d->entries[LEADOUT_ENTRY].point != TOC_POINT_A2) {
        log_line(log, "toc error: the third entry must be the lead-out (point 0xA2)");
        return 0;
    }
    uint8_t leadout_q[Q_FRAME_SIZE];
    toc_entry_to_frame(&d->entries[LEADOUT_ENTRY], leadout_q);
    const uint32_t sector_count = source->sector_count;
    if (!disk_seek(disk, area)) {
        log_line(log, "seek error");
        return 0;
    }
    gauge_set_range(log, int64_t{sector_count} + STORED_PREGAP_SECTORS);

    area_writer out(disk, log);
    if (!out.ready()) {
        log_line(log, "out of memory for the write buffer");
        return 0;
    }
    memset(out.stored(0), STORED_PREGAP_FILL, size_t{STORED_PREGAP_SECTORS} * STORED_SECTOR_SIZE);
    toc_to_frames(d, out.stored(0) + STORED_MAIN_AT, STORED_SECTOR_SIZE - STORED_MAIN_AT);
    for (uint32_t i = 0; i < STORED_PREGAP_SECTORS; i++) out.slot(true);

    q_check_state q_state;
    q_check_init(&q_state, log);
    source->begin_whole_read();
    for (uint32_t done = 0; done < sector_count;) {
        // Only the new disc area has been written so far: the block's
        // header, and with it the card's contents, is still the old one.
        if (log_stop_point(log)) return 0;
        if (out.full() && !out.write(false)) return 0;
        uint32_t n = std::min(BUFFER_SECTORS - out.filled, sector_count - done);
        uint8_t *first = out.stored(out.filled);
        if (!source->read(log, done, n,
                          cd_sector_target{first + STORED_MAIN_AT, STORED_SECTOR_SIZE, first,
                                           STORED_SECTOR_SIZE}))
            return 0;
        for (uint32_t k = 0; k < n; k++) {
            uint8_t *sector = out.slot(true);
            uint8_t *q = sector + SUBCHANNEL_Q_OFFSET;
            q_check(&q_state, q, strict);
            bool audio = q[0] < Q_CONTROL_DATA;
            if (transform != nullptr) transform(sector);
            if (audio) swap_sample_bytes(sector + STORED_MAIN_AT);
        }
        done += n;
    }
    if (!source->end_whole_read(log)) return 0;
    if (out.full() && !out.write(false)) return 0;
    stored_leadout_sector(out.slot(false), leadout_q, transform);
    return out.write(true) ? 1 : 0;
}
