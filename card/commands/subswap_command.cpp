// "subswap": converts the stored subchannel data of every disc of the card
// between the per-channel and the interleaved layout, and flips each block's
// version once all of its discs are converted.
//
// Every stored sector tells its own layout (subchannel_layout_of), so only
// sectors not yet in the target layout are converted: a run cut short (a
// failed write, a kill, a power cut) is completed by running it again, and
// never converts a finished disc back. The target is the layout opposite to
// the last block's version: a cut-short run flips the blocks in chain order,
// so the last block keeps the version the card had.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/layout/card_io.h"
#include "card/layout/card_layout.h"
#include "card/layout/chain_walk.h"
#include "card/layout/stored_sector.h"
#include "card/cdimage/subchannel_swap.h"

namespace {

// 1024 stored sectors, so chunks never split a stored sector.
enum : uint32_t {
    CHUNK_SECTORS = 4896,
    CHUNK_BYTES = CHUNK_SECTORS * DISK_SECTOR_SIZE,
    CHUNK_STORED_SECTORS = CHUNK_BYTES / STORED_SECTOR_SIZE,  // 1024
};

struct conversion {
    bool to_interleaved;
    // For sectors that carry no Q frame (pregap and list fill, unwritten
    // areas): whether the sectors around them still need converting. Follows
    // the majority of the last chunk that had frames; a disc starts with yes.
    bool convert_unknown;
};

// Converts the whole stored sectors of a chunk that are not in the target
// layout yet; true when any byte changed.
bool convert_chunk(uint8_t *chunk, uint32_t whole, conversion *conv) {
    subchannel_layout source =
        conv->to_interleaved ? SUBCHANNEL_LAYOUT_PER_CHANNEL : SUBCHANNEL_LAYOUT_INTERLEAVED;
    subchannel_layout layout[CHUNK_STORED_SECTORS];
    uint32_t in_source = 0, in_target = 0;
    for (uint32_t k = 0; k < whole; k++) {
        layout[k] = subchannel_layout_of(chunk + size_t{k} * STORED_SECTOR_SIZE);
        if (layout[k] != SUBCHANNEL_LAYOUT_UNKNOWN) (layout[k] == source ? in_source : in_target)++;
    }
    if (in_source != in_target) conv->convert_unknown = in_source > in_target;
    bool changed = false;
    for (uint32_t k = 0; k < whole; k++) {
        bool convert =
            layout[k] == SUBCHANNEL_LAYOUT_UNKNOWN ? conv->convert_unknown : layout[k] == source;
        if (!convert) continue;
        uint8_t *sub = chunk + size_t{k} * STORED_SECTOR_SIZE;
        uint8_t before[SUBCHANNEL_BYTES];
        memcpy(before, sub, sizeof before);
        conv->to_interleaved ? subchannel_to_interleaved(sub) : subchannel_to_per_channel(sub);
        changed = changed || memcmp(before, sub, sizeof before) != 0;
    }
    return changed;
}

// The area of length sectors from sector first. *wrote: whether any chunk
// was written back.
bool convert_area(card_context *c, uint32_t first, uint32_t length, bool to_interleaved,
                  std::vector<uint8_t> &chunk, bool *wrote) {
    gauge_set_range(c->log, int64_t{length} * DISK_SECTOR_SIZE / STORED_SECTOR_SIZE);
    conversion conv{to_interleaved, true};
    for (uint32_t at = 0; at < length; at += CHUNK_SECTORS) {
        uint32_t sectors = std::min<uint32_t>(CHUNK_SECTORS, length - at);
        uint32_t bytes = sectors * DISK_SECTOR_SIZE;
        if (!card_read_at(c, first + at, chunk.data(), bytes)) return false;
        // A partial stored sector at the end (and a 2-sector ROM entry) is
        // left as it was.
        uint32_t whole = bytes / STORED_SECTOR_SIZE;
        if (convert_chunk(chunk.data(), whole, &conv)) {
            if (!card_write_at(c, first + at, chunk.data(), bytes, "write error")) return false;
            *wrote = true;
        }
        gauge_step(c->log, whole);
    }
    return true;
}

// The version of the chain's last block, read quietly: the blocks are read
// (and reported) again as they are converted.
bool last_block_version(card_context *c, uint8_t *version) {
    auto walk = std::make_unique<card_context>(*c);
    walk->log = log_null();
    if (!chain_walk(walk.get(), CHAIN_WALK_ALL, nullptr)) {
        log_line(c->log, "read error");
        return false;
    }
    *version = walk->version;
    return true;
}

}  // namespace

int card_subswap(card_context *c, int, const char *const *) {
    uint8_t last = 0;
    if (!last_block_version(c, &last)) return VMK_FAILED;
    const uint8_t target = last == 3 ? 4 : 3;
    std::vector<uint8_t> chunk(CHUNK_BYTES);
    auto swap_block = [&chunk, target](card_context *c, uint32_t k) {
        // Between blocks only: a block stopped halfway would carry discs of
        // both layouts under one version until the command is run again.
        if (k != 0 && log_stop_point(c->log)) return false;
        bool wrote = false;
        for (uint32_t i = 0; i < c->disc_amount; i++) {
            log_printf(c->log, "%u/%u\n", i + 1, c->disc_amount);
            const disc_entry &e = c->entries[i];
            if (!convert_area(c, c->block + e.offset, e.length, target == 4, chunk, &wrote))
                return false;
        }
        // A block finished by an earlier run that was cut short stays as it is.
        if (c->version == target && !wrote) return true;
        c->version = target;
        return order_write(c);
    };
    return vmk_status(chain_walk(c, CHAIN_WALK_ALL, swap_block));
}
