#include "card/backup/stored_image.h"

#include <algorithm>

#include "card/cdimage/bcd.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/stored_disc_source.h"
#include "card/layout/stored_sector.h"
#include "card/write/index_toc.h"

namespace {

constexpr uint32_t ROM_SECTOR_DATA = 2048;
constexpr uint32_t ROM_DATA_AT = STORED_MAIN_AT + 16;  // after the Mode 1 header
constexpr uint32_t RUN_SECTORS = 1024;                 // 2.4 MB of main bytes a run

}  // namespace

bool stored_rom_read(card_context *c, uint32_t e, std::vector<uint8_t> *rom) {
    if (e >= c->disc_amount || !disc_is_rom(c->entries[e])) {
        log_printf(c->log, "record %u holds no HuCard ROM\n", e);
        return false;
    }
    const uint32_t index_area = c->block + c->entries[0].offset;
    std::vector<uint8_t> head(STORED_SECTOR_SIZE);  // holds INDEX_TOC_READ_BYTES
    if (!stored_sectors_read(c->disk, index_area, 0, 1, head.data())) {
        log_line(c->log, "read error");
        return false;
    }
    const uint8_t *q = index_toc_find(head.data(),
                                      bcd_from_bin(static_cast<uint8_t>(e)));
    if (q == nullptr) {
        log_printf(c->log, "record %u: its index track is not in the index disc's TOC\n", e);
        return false;
    }
    const uint32_t first = msf_to_frames(&q[7]);  // its first stored sector
    const uint32_t frames = msf_to_frames(&q[3]);
    if (frames == 0 || uint64_t{frames} * ROM_SECTOR_DATA > ROM_SIZE_MAX) {
        log_printf(c->log, "record %u: its index track of %u frames is no ROM\n", e, frames);
        return false;
    }
    std::vector<uint8_t> stored(stored_sector_byte(frames));
    if (!stored_sectors_read(c->disk, index_area, first, frames, stored.data())) {
        log_line(c->log, "read error");
        return false;
    }
    rom->resize(size_t{frames} * ROM_SECTOR_DATA);
    for (uint32_t k = 0; k < frames; k++)
        std::copy_n(stored.data() + stored_sector_byte(k) + ROM_DATA_AT, ROM_SECTOR_DATA,
                    rom->data() + size_t{k} * ROM_SECTOR_DATA);
    return true;
}

bool disc_pass(log_sink *log, cd_source *source, const disc_run_callback &run) {
    std::vector<uint8_t> main(size_t{RUN_SECTORS} * CD_SECTOR_SIZE);
    std::vector<uint8_t> sub(size_t{RUN_SECTORS} * SUBCHANNEL_BYTES);
    gauge_set_range(log, source->sector_count);
    for (uint32_t done = 0; done < source->sector_count;) {
        if (log_stop_point(log)) return false;
        uint32_t n = std::min(RUN_SECTORS, source->sector_count - done);
        if (!source->read(log, done, n,
                          cd_sector_target{main.data(), CD_SECTOR_SIZE, sub.data(), SUBCHANNEL_BYTES}))
            return false;
        if (!run(main.data(), sub.data(), n)) return false;
        gauge_step(log, n);
        done += n;
    }
    return true;
}
