// The card's images for the image list page.
#include <memory>
#include <vector>

#include "card/layout/disc_kind.h"
#include "card/layout/card_layout.h"
#include "card/layout/chain_walk.h"

namespace {

// Every block of the chain, each in its own copy of the context. A stop
// asked between two blocks ends the walk with nothing listed.
bool read_all_blocks(card_context *c, std::vector<std::unique_ptr<card_context>> *blocks) {
    return chain_walk(c, CHAIN_WALK_ALL, [blocks](card_context *b, uint32_t) {
        blocks->push_back(std::make_unique<card_context>(*b));
        return !log_stop_point(b->log);
    });
}

}  // namespace

bool card_enumerate(log_sink *log, const char *drive, card_header_callback header,
                    void *header_user, card_entry_callback entry, void *entry_user) {
    auto c = std::make_unique<card_context>();
    c->disk = nullptr;
    c->log = log;
    c->drive = drive;
    if (!card_open_to_read(c.get())) return false;
    std::vector<std::unique_ptr<card_context>> blocks;
    bool read = read_all_blocks(c.get(), &blocks);
    uint32_t sector_count = disk_sector_count(c->disk);
    disk_close(c->disk);
    c->disk = nullptr;
    if (!read) return false;

    header(header_user, sector_count, c->managearea_num);
    for (uint32_t k = 0; k < blocks.size(); k++) {
        const card_context &b = *blocks[k];
        // Every position is looked at: an order not yet normalised may hold an
        // empty slot before a used one, and each record must still appear.
        for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
            uint32_t r = b.order[p];
            if (r >= b.disc_amount) continue;
            const disc_entry &e = b.entries[r];
            uint32_t kind = static_cast<uint32_t>(kind_index_of(e.flags, e.config));
            uint32_t config = (e.config & 0xFFFFFF00u) | (kind & 0xFF);
            entry(entry_user, CARD_DISC_SLOTS * k + r, e.offset, e.length, e.flags, config, e.name);
        }
    }
    return true;
}
