#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "card/write/disc_area_write.h"
#include "card/cdimage/image_input.h"
#include "card/layout/stored_sector.h"
#include "card/cdimage/subchannel_q.h"

namespace {

constexpr uint32_t BUFFER_SECTORS = 256;  // 0x99000 bytes, a whole number of disk sectors
constexpr uint32_t LEADOUT_ENTRY = 2;     // the TOC's third entry is A2

// Collects stored sectors and writes them sequentially in whole buffers.
struct area_writer {
    disk_handle *disk;
    log_sink *log;
    std::vector<uint8_t> buffer;
    uint32_t filled = 0;
    uint32_t counted = 0;  // sectors in the buffer that the gauge counts

    uint8_t *slot(bool count) {
        counted += count;
        return &buffer[size_t{filled++} * STORED_SECTOR_SIZE];
    }
    bool full() const { return filled == BUFFER_SECTORS; }

    // Writes what the buffer holds, the last disk sector padded with 0xAA.
    bool write() {
        size_t bytes = size_t{filled} * STORED_SECTOR_SIZE;
        size_t padded = (bytes + DISK_SECTOR_SIZE - 1) / DISK_SECTOR_SIZE * DISK_SECTOR_SIZE;
        memset(&buffer[bytes], STORED_LEADOUT_FILL, padded - bytes);
        if (!disk_write(disk, buffer.data(), static_cast<uint32_t>(padded))) {
            log_line(log, "write error");
            return false;
        }
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

int cd_image_write(disk_handle *disk, const disc_description *d, log_sink *log, cd_source *source,
                   subchannel_transform transform, bool strict) {
    if (d->tocentries <= LEADOUT_ENTRY || d->entries[LEADOUT_ENTRY].point != TOC_POINT_A2) {
        log_line(log, "toc error: the third entry must be the lead-out (point 0xA2)");
        return 0;
    }
    uint8_t leadout_q[Q_FRAME_SIZE];
    toc_entry_to_frame(&d->entries[LEADOUT_ENTRY], leadout_q);
    const uint32_t sector_count = source->sector_count;
    if (!disk_seek_relative(disk, 0)) {
        log_line(log, "seek error");
        return 0;
    }
    gauge_set_range(log, int64_t{sector_count} + STORED_PREGAP_SECTORS);

    area_writer out{disk, log, std::vector<uint8_t>(size_t{BUFFER_SECTORS} * STORED_SECTOR_SIZE)};
    memset(out.buffer.data(), STORED_PREGAP_FILL,
           size_t{STORED_PREGAP_SECTORS} * STORED_SECTOR_SIZE);
    toc_to_frames(d, out.buffer.data() + STORED_MAIN_AT, STORED_SECTOR_SIZE - STORED_MAIN_AT);
    for (uint32_t i = 0; i < STORED_PREGAP_SECTORS; i++) out.slot(true);

    q_check_state q_state;
    q_check_init(&q_state, log);
    source->begin_whole_read();
    for (uint32_t done = 0; done < sector_count;) {
        // Only the new disc area has been written so far: the block's
        // header, and with it the card's contents, is still the old one.
        if (log_stop_point(log)) return 0;
        if (out.full() && !out.write()) return 0;
        uint32_t n = std::min(BUFFER_SECTORS - out.filled, sector_count - done);
        uint8_t *first = &out.buffer[size_t{out.filled} * STORED_SECTOR_SIZE];
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
    if (out.full() && !out.write()) return 0;
    stored_leadout_sector(out.slot(false), leadout_q, transform);
    return out.write() ? 1 : 0;
}
