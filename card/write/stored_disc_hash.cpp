#include "card/write/stored_disc_hash.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "card/layout/card_layout.h"
#include "card/layout/card_io.h"
#include "card/cdimage/image_hash.h"
#include "card/cdimage/image_input.h"
#include "card/layout/stored_sector.h"
#include "card/layout/stored_disc_source.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/cdimage/subchannel_q.h"

namespace {

// Image sector k of a disc lies in stored sector 150 + k of its area.
struct stored_disc {
    disk_handle *disk;
    uint32_t area;  // absolute sector of the disc area
    uint32_t sector_count;
    bool interleaved;
    // What read_subchannel delivered last: whole stored sectors, so main
    // bytes of the same range are served from there without a second read.
    const uint8_t *delivered = nullptr;
    uint32_t delivered_first = 0, delivered_count = 0;
    std::vector<uint8_t> staging;
    bool failed = false;  // a read of the card failed
};

bool read_stored(stored_disc *s, uint32_t first, uint32_t count, uint8_t *out) {
    if (stored_sectors_read(s->disk, s->area, STORED_PREGAP_SECTORS + first, count, out))
        return true;
    s->failed = true;
    return false;
}

bool stored_failed(void *user) { return static_cast<stored_disc *>(user)->failed; }

uint32_t clip(const stored_disc *s, uint32_t first, uint32_t count) {
    return first >= s->sector_count ? 0 : std::min(count, s->sector_count - first);
}

uint32_t read_subchannel(void *user, uint32_t first, uint32_t count, uint8_t *out) {
    auto *s = static_cast<stored_disc *>(user);
    count = clip(s, first, count);
    s->delivered = nullptr;
    if (count == 0 || !read_stored(s, first, count, out)) return 0;
    if (s->interleaved)
        for (uint32_t k = 0; k < count; k++) subchannel_to_per_channel(out + stored_sector_byte(k));
    s->delivered = out;
    s->delivered_first = first;
    s->delivered_count = count;
    return count;
}

uint32_t read_main(void *user, uint32_t first, uint32_t count, uint8_t *out) {
    auto *s = static_cast<stored_disc *>(user);
    count = clip(s, first, count);
    for (uint32_t done = 0; done < count;) {
        uint32_t at = first + done;
        const uint8_t *from;
        uint32_t n;
        if (s->delivered != nullptr && at >= s->delivered_first &&
            at < s->delivered_first + s->delivered_count) {
            from = s->delivered + stored_sector_byte(at - s->delivered_first);
            n = std::min(count - done, s->delivered_first + s->delivered_count - at);
        } else {
            n = std::min<uint32_t>(count - done, 64);
            s->staging.resize(stored_sector_byte(64));
            if (!read_stored(s, at, n, s->staging.data())) return done;
            from = s->staging.data();
        }
        for (uint32_t k = 0; k < n; k++)
            memcpy(out + size_t{done + k} * CD_SECTOR_SIZE,
                   from + stored_sector_byte(k) + STORED_MAIN_AT, CD_SECTOR_SIZE);
        done += n;
    }
    return count;
}

// Main bytes straight from the stored sectors that read_subchannel
// delivered; other ranges go through read_main.
uint32_t crc_main(void *user, uint32_t first, uint32_t count, uint32_t *crc) {
    auto *s = static_cast<stored_disc *>(user);
    count = clip(s, first, count);
    bool delivered = s->delivered != nullptr && first >= s->delivered_first &&
                     first + count <= s->delivered_first + s->delivered_count;
    if (!delivered) {
        std::vector<uint8_t> main(size_t{count} * CD_SECTOR_SIZE);
        uint32_t got = read_main(user, first, count, main.data());
        *crc = static_cast<uint32_t>(crc32(*crc, main.data(), got * CD_SECTOR_SIZE));
        return got;
    }
    const uint8_t *at = s->delivered + stored_sector_byte(first - s->delivered_first);
    for (uint32_t k = 0; k < count; k++)
        *crc = static_cast<uint32_t>(
            crc32(*crc, at + stored_sector_byte(k) + STORED_MAIN_AT, CD_SECTOR_SIZE));
    return count;
}

}  // namespace

int hash_stored_disc(card_context *c, uint32_t n) {
    if (!managearea_select(c, n / 100)) return 0;
    uint32_t e = n % 100;
    if (e >= c->disc_amount) {
        log_line(c->log, "disc# is larger than disc amount");
        return 0;
    }
    const disc_entry &d = c->entries[e];
    if (disc_is_rom(d)) return 1;  // a HuCard entry has no tracks
    uint8_t first[5 * DISK_SECTOR_SIZE];
    if (!card_read_at(c, c->block + d.offset, first, sizeof first)) return 0;
    description_ptr toc(
        toc_from_frames(c->log, first + STORED_MAIN_AT, STORED_SECTOR_SIZE - STORED_MAIN_AT));
    if (toc == nullptr) return 0;
    uint64_t stored = uint64_t{d.length} * DISK_SECTOR_SIZE / STORED_SECTOR_SIZE;
    uint32_t count = stored > STORED_PREGAP_SECTORS + 1
                         ? static_cast<uint32_t>(stored - STORED_PREGAP_SECTORS - 1)
                         : 0;
    stored_disc disc;
    disc.disk = c->disk;
    disc.area = c->block + d.offset;
    disc.sector_count = count;
    disc.interleaved = c->version == 4;
    hash_sector_source src{&disc,     count,    STORED_SECTOR_SIZE, read_subchannel,
                           read_main, crc_main, stored_failed};
    return hash_data_tracks(c->log, toc.get(), &src);
}
