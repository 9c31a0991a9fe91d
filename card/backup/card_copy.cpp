#include "card/backup/card_copy.h"

#include "card/backup/image_place.h"
#include "card/backup/stored_image.h"
#include "card/layout/stored_disc_source.h"
#include "core/log_whole.h"

bool card_copy(card_context *from, card_context *to, const card_inventory &inventory, size_t skip) {
    const backup_manifest &m = inventory.manifest;
    std::map<uint32_t, uint32_t> placed;
    card_inventory held;
    if (skip > 0 && !card_inventory_read(to, &held)) return false;
    for (size_t i = 0; i < m.images.size(); i++) {
        const manifest_image &g = m.images[i];
        auto sav = inventory.saves.find(g.number);
        const std::vector<uint8_t> *area = sav == inventory.saves.end() ? nullptr : &sav->second;
        if (i < skip) {
            // Settings again, for a copy cut short between an add and them.
            uint32_t n = held.manifest.images[i].number;
            if (!managearea_select(to, n / CARD_DISC_SLOTS) ||
                !image_settle(to, n % CARD_DISC_SLOTS, g, area))
                return false;
            placed[g.number] = n;
            continue;
        }
        if (!managearea_select(from, g.number / CARD_DISC_SLOTS)) return false;
        const uint32_t e = g.number % CARD_DISC_SLOTS;
        image_number at{};
        if (g.rom) {
            description_ptr empty(description_read(from->log, nullptr, false));
            image_input in{IMAGE_ROM, g.rom_bytes, 0, empty.get(), nullptr};
            if (!stored_rom_read(from, e, &in.rom) || !image_place(to, in, g, area, &at))
                return false;
        } else {
            stored_disc_input disc;
            if (!stored_disc_open(from, e, &disc)) return false;
            image_input in{IMAGE_CD, 0, disc.source->sector_count, disc.description.get(),
                           disc.source.get()};
            if (!image_place(to, in, g, area, &at)) return false;
        }
        placed[g.number] = at.value();
    }
    return order_place(to, m.order, placed);
}
