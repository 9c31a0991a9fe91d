#include "card/backup/card_inventory.h"

#include <cstdio>

#include "card/backup/stored_image.h"
#include "card/layout/bkram_area.h"
#include "card/layout/card_io.h"
#include "card/layout/chain_walk.h"
#include "card/layout/stored_disc_source.h"
#include "core/title_file_name.h"

namespace {

std::string toc_hex(const disc_description *d) {
    std::vector<uint8_t> frames(size_t{TOC_ENTRIES_MAX} * Q_FRAME_SIZE);
    int n = toc_to_frames(d, frames.data(), frames.size());
    static const char digits[] = "0123456789abcdef";
    std::string t;
    for (size_t i = 0; i < size_t(n) * Q_FRAME_SIZE; i++)
        t += std::string{digits[frames[i] >> 4], digits[frames[i] & 15]};
    return t;
}

bool read_block(card_context *c, uint32_t k, card_inventory *out) {
    backup_manifest &m = out->manifest;
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++)
        if (c->order[p] < c->disc_amount) m.order.push_back(k * CARD_DISC_SLOTS + c->order[p]);
    std::vector<uint8_t> areas;
    const bool areas_held = c->disc_amount > 0 && c->entries[0].length >= BKRAM_AREAS_END;
    if (areas_held) {
        areas.resize(size_t{CARD_DISC_SLOTS} * BKRAM_AREA_BYTES);
        if (!card_read_at(c, c->block + c->entries[0].offset + BKRAM_FIRST_SECTOR, areas.data(),
                          static_cast<uint32_t>(areas.size())))
            return false;
    }
    for (uint32_t e = 1; e < c->disc_amount; e++) {
        const disc_entry &d = c->entries[e];
        manifest_image g;
        g.number = k * CARD_DISC_SLOTS + e;
        g.rom = disc_is_rom(d);
        g.name = d.name;
        g.flags = d.flags;
        g.romconfig[0] = d.romconfig[0], g.romconfig[1] = d.romconfig[1];
        g.config = d.config;
        std::string safe = title_file_name(d.name);
        char stem[32];
        snprintf(stem, sizeof stem, "images/%04u ", g.number);
        g.stem = stem + (safe.empty() ? std::string("image") : safe);
        if (g.rom) {
            std::vector<uint8_t> rom;
            if (!stored_rom_read(c, e, &rom)) return false;
            g.rom_bytes = static_cast<uint32_t>(rom.size());
        } else {
            stored_disc_input disc;
            if (!stored_disc_open(c, e, &disc)) return false;
            g.sectors = disc.source->sector_count;
            g.toc = toc_hex(disc.description.get());
        }
        const uint8_t *area = areas_held ? &areas[size_t{e} * BKRAM_AREA_BYTES] : nullptr;
        if (area != nullptr && bkram_area_holds_data(area)) {
            g.sav = "saves/" + g.stem.substr(7) + ".sav";
            out->saves[g.number].assign(area, area + BKRAM_AREA_BYTES);
        }
        m.images.push_back(std::move(g));
    }
    return true;
}

}  // namespace

bool card_inventory_read(card_context *c, card_inventory *out) {
    backup_manifest &m = out->manifest;
    m.card_sectors = disk_sector_count(c->disk);
    return chain_walk(c, CHAIN_WALK_ALL, [&](card_context *b, uint32_t k) {
        m.blocks = k + 1;
        return read_block(b, k, out);
    });
}
