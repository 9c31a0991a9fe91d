// "subswap": converts the stored subchannel data of every disc of the card
// between the per-channel and the interleaved layout, and flips each block's
// version once all of its discs are converted.
#include <algorithm>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/layout/card_layout.h"
#include "card/layout/chain_walk.h"
#include "card/layout/stored_sector.h"
#include "card/layout/subchannel_swap.h"

namespace {

// 1024 stored sectors, so chunks never split a stored sector.
enum : uint32_t { CHUNK_SECTORS = 4896, CHUNK_BYTES = CHUNK_SECTORS * DISK_SECTOR_SIZE };

bool convert_area(card_context *c, uint32_t length, bool to_interleaved,
                  std::vector<uint8_t> &chunk) {
    gauge_set_range(c->log, int64_t{length} * DISK_SECTOR_SIZE / STORED_SECTOR_SIZE);
    for (uint32_t at = 0; at < length; at += CHUNK_SECTORS) {
        uint32_t sectors = std::min<uint32_t>(CHUNK_SECTORS, length - at);
        uint32_t bytes = sectors * DISK_SECTOR_SIZE;
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
        uint32_t whole = bytes / STORED_SECTOR_SIZE;
        for (uint32_t k = 0; k < whole; k++) {
            uint8_t *sub = chunk.data() + size_t{k} * STORED_SECTOR_SIZE;
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
    auto swap_block = [&chunk](card_context *c, uint32_t) {
        bool to_interleaved = c->version == 3;
        for (uint32_t i = 0; i < c->disc_amount; i++) {
            log_printf(c->log, "%u/%u\n", i + 1, c->disc_amount);
            disk_set_relativepoint(c->disk, c->block + c->entries[i].offset);
            if (!convert_area(c, c->entries[i].length, to_interleaved, chunk)) return false;
        }
        c->version = to_interleaved ? 4 : 3;
        return order_write(c);
    };
    return chain_walk(c, CHAIN_WALK_ALL, swap_block) ? 1 : 0;
}
