#include "card/layout/stored_disc_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/card_io.h"
#include "card/layout/stored_sector.h"

namespace {

// Stored sectors per card read: whole disk sectors (2448 x 1024 = 512 x 4896).
constexpr uint32_t READ_SECTORS = 1024;

struct stored_disc_source : cd_source {
    disk_handle *disk;
    uint32_t area;
    bool interleaved;
    std::vector<uint8_t> staging;

    stored_disc_source(disk_handle *d, uint32_t a, bool v4) : disk(d), area(a), interleaved(v4) {}

    bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &t) override {
        if (first > sector_count || count > sector_count - first) {
            log_printf(log, "%s: sectors %u to %u lie past its end\n", name.c_str(), first,
                       first + count);
            return false;
        }
        staging.resize(size_t{READ_SECTORS} * STORED_SECTOR_SIZE);
        for (uint32_t done = 0; done < count;) {
            uint32_t n = std::min(READ_SECTORS, count - done);
            if (!stored_sectors_read(disk, area, STORED_PREGAP_SECTORS + first + done, n,
                                     staging.data())) {
                log_printf(log, "%s: read error\n", name.c_str());
                return false;
            }
            for (uint32_t k = 0; k < n; k++) {
                uint8_t *sector = staging.data() + stored_sector_byte(k);
                if (interleaved) subchannel_to_per_channel(sector);
                // The add swapped the samples of the sectors whose Q says
                // audio, judged on the Q it stored: the same Q undoes it.
                uint8_t *main = sector + STORED_MAIN_AT;
                if (sector[SUBCHANNEL_Q_OFFSET] < Q_CONTROL_DATA) swap_sample_bytes(main);
                size_t i = size_t{done} + k;
                if (t.main != nullptr) memcpy(t.main + i * t.main_stride, main, CD_SECTOR_SIZE);
                if (t.sub != nullptr) memcpy(t.sub + i * t.sub_stride, sector, SUBCHANNEL_BYTES);
            }
            done += n;
        }
        return true;
    }
};

}  // namespace

bool stored_sectors_read(disk_handle *disk, uint32_t area, uint32_t first, uint32_t count,
                         uint8_t *out) {
    uint64_t start = stored_sector_byte(first);
    uint64_t end = start + stored_sector_byte(count);
    uint8_t bounce[DISK_SECTOR_SIZE];
    for (uint64_t at = start; at < end;) {
        uint64_t sector = at / DISK_SECTOR_SIZE;
        uint64_t skip = at % DISK_SECTOR_SIZE;
        uint64_t whole = (end - at) / DISK_SECTOR_SIZE * DISK_SECTOR_SIZE;
        if (skip == 0 && whole > 0) {
            if (!disk_read_at(disk, area + sector, out + (at - start),
                              static_cast<uint32_t>(whole)))
                return false;
            at += whole;
            continue;
        }
        if (!disk_read_at(disk, area + sector, bounce, DISK_SECTOR_SIZE)) return false;
        uint64_t take = std::min<uint64_t>(DISK_SECTOR_SIZE - skip, end - at);
        memcpy(out + (at - start), bounce + skip, take);
        at += take;
    }
    return true;
}

bool stored_disc_open(card_context *c, uint32_t e, stored_disc_input *out) {
    if (e >= c->disc_amount) {
        log_line(c->log, "disc# is larger than disc amount");
        return false;
    }
    const disc_entry &d = c->entries[e];
    if (disc_is_rom(d)) {
        log_printf(c->log, "record %u holds a HuCard ROM, not a disc\n", e);
        return false;
    }
    const uint64_t stored = uint64_t{d.length} * DISK_SECTOR_SIZE / STORED_SECTOR_SIZE;
    if (stored <= STORED_PREGAP_SECTORS + 1) {
        log_printf(c->log, "record %u: its area is too short for a disc\n", e);
        return false;
    }
    const uint32_t area = c->block + d.offset;
    std::vector<uint8_t> first(STORED_SECTOR_SIZE);
    if (!stored_sectors_read(c->disk, area, 0, 1, first.data())) {
        log_line(c->log, "read error");
        return false;
    }
    out->description.reset(
        toc_from_frames(c->log, first.data() + STORED_MAIN_AT, STORED_SECTOR_SIZE - STORED_MAIN_AT));
    if (out->description == nullptr) return false;
    // Frames give lead-in points no position; the lead-out's is where the
    // disc ends, which readers of the description go by.
    disc_description &toc = *out->description;
    for (int i = 0; i < toc.tocentries; i++) {
        toc_entry &a2 = toc.entries[i];
        uint32_t p = msf_to_frames(&a2.pmin);
        if (a2.point == TOC_POINT_A2 && p >= CD_PREGAP_FRAMES) a2.plba = p - CD_PREGAP_FRAMES;
    }
    out->description->disk = c->disk;
    auto source = std::make_unique<stored_disc_source>(c->disk, area, c->version == 4);
    source->name = d.name;
    source->sector_count = static_cast<uint32_t>(stored - STORED_PREGAP_SECTORS - 1);
    out->source = std::move(source);
    return true;
}
