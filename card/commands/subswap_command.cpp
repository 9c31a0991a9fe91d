// "subswap": converts the stored subchannel data of every disc of the card
// between the per-channel and the interleaved layout, and flips each block's
// version once all of its discs are converted.
#include <algorithm>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/layout/card_layout.h"
#include "card/layout/subchannel_swap.h"

namespace {

// 1024 stored sectors, so chunks never split a stored sector.
enum : uint32_t { CHUNK_SECTORS = 4896, CHUNK_BYTES = CHUNK_SECTORS * 512 };

bool convert_area(card_context *c, uint32_t length, bool to_interleaved,
                  std::vector<uint8_t> &chunk) {
    gauge_set_range(c->log, int64_t{length} * 512 / CARD_STORED_SECTOR);
    for (uint32_t at = 0; at < length; at += CHUNK_SECTORS) {
        uint32_t sectors = std::min<uint32_t>(CHUNK_SECTORS, length - at);
        uint32_t bytes = sectors * 512;
        if (!disk_seek_relative(c->disk, at)) {
            log_line(c->log, "seek error");
            return false;
        }
        if (!disk_read(c->disk, chunk.data(), bytes)) {
            log_line(c->log, "read error");
            return false;
        }
        // A partial stored sector at the end (and a 2-sector ROM entry) is
        // written back as it was.
        uint32_t whole = bytes / CARD_STORED_SECTOR;
        for (uint32_t k = 0; k < whole; k++) {
            uint8_t *sub = chunk.data() + size_t{k} * CARD_STORED_SECTOR;
            to_interleaved ? subchannel_to_interleaved(sub) : subchannel_to_per_channel(sub);
        }
        if (!disk_seek_relative(c->disk, at)) {
            log_line(c->log, "seek error");
            return false;
        }
        if (!disk_write(c->disk, chunk.data(), bytes)) {
            log_line(c->log, "write error");
            return false;
        }
        gauge_step(c->log, whole);
    }
    return true;
}

}  // namespace

int card_subswap(card_context *c, int, const char *const *) {
    std::vector<uint8_t> chunk(CHUNK_BYTES);
    for (uint32_t s = c->first_block; s != 0;) {
        // Between blocks only: a block whose discs are converted in part has
        // no version that describes them all.
        if (s != c->first_block && log_stop_point(c->log)) return 0;
        if (!managearea_read(c, s)) return 0;
        bool to_interleaved = c->version == 3;
        for (uint32_t i = 0; i < c->disc_amount; i++) {
            log_printf(c->log, "%u/%u\n", i + 1, c->disc_amount);
            disk_set_relativepoint(c->disk, c->block + c->entries[i].offset);
            if (!convert_area(c, c->entries[i].length, to_interleaved, chunk)) return 0;
        }
        c->version = to_interleaved ? 4 : 3;
        s = c->managearea_lba_next;
        if (!order_write(c)) return 0;
    }
    return 1;
}
