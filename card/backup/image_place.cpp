#include "card/backup/image_place.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "card/layout/bkram_area.h"
#include "card/layout/card_io.h"
#include "card/layout/layout_records.h"
#include "card/write/disc_area_write.h"
#include "card/write/image_add.h"
#include "card/write/index_toc.h"
#include "card/write/index_truncate.h"
#include "card/layout/stored_sector.h"

namespace {

constexpr uint32_t ROM_AREA_SECTORS = 2;
constexpr uint32_t CD_INDEX_SECTORS = 1793;  // a preview track in the index disc

uint64_t area_sectors(const manifest_image &g) {
    return g.rom ? ROM_AREA_SECTORS : cd_area_sectors(g.sectors);
}

uint64_t index_sectors(const manifest_image &g) {
    if (!g.rom) return CD_INDEX_SECTORS;
    return (uint64_t{g.rom_bytes} / 2048 * STORED_SECTOR_SIZE + DISK_SECTOR_SIZE - 1) /
           DISK_SECTOR_SIZE;
}

}  // namespace

bool image_place(card_context *c, image_input &in, const manifest_image &g,
                 const std::vector<uint8_t> *sav, image_number *placed) {
    if (image_add_input(c, in, g.name.c_str(), false, placed) == VMK_OK)
        return image_settle(c, placed->record, g, sav);
    if (log_stop_requested(c->log)) index_tidy(c);
    return false;
}

void index_tidy(card_context *c) {
    // The block as its header, written last, still has it.
    if (!managearea_read(c, c->block) || c->disc_amount < 2) return;
    const uint32_t index = c->block + c->entries[0].offset;
    uint8_t head[INDEX_TOC_READ_BYTES];
    if (!card_read_at(c, index, head, sizeof head)) return;
    const size_t tracks = index_toc_count(head) - 3;  // A0, A1 and A2 besides them
    if (tracks < c->disc_amount) return;
    disk_set_relativepoint(c->disk, index);
    auto plan = std::make_unique<index_truncate_plan>();
    bool ok = index_truncate_prepare(c->disk, c->disc_amount, c->version, plan.get());
    if (ok) {
        // Its frame goes too: an add that finds a track's frame keeps the
        // TOC as it is.
        const size_t kept = 3 + (c->disc_amount - 1);
        uint8_t *from = plan->head + INDEX_TOC_AT + kept * Q_FRAME_SIZE;
        memset(from, STORED_PREGAP_FILL, plan->head + INDEX_TOC_READ_BYTES - from);
        ok = index_truncate_write(c->disk, *plan);
    }
    if (!ok) log_line(c->log, "the index disc keeps a track of the image that was stopped");
}

bool image_settle(card_context *c, uint32_t record, const manifest_image &g,
                  const std::vector<uint8_t> *sav) {
    disc_entry &e = c->entries[record];
    // The ROM flag follows the image; the rest is the user's configuration.
    e.flags = static_cast<uint8_t>((g.flags & 0x7F) | (e.flags & 0x80));
    e.config = g.config;
    if (sav != nullptr) {
        if (c->entries[0].length < BKRAM_AREAS_END) {
            log_line(c->log, "index disc is too short for backup RAM areas");
            return false;
        }
        uint32_t sector = c->block + c->entries[0].offset + bkram_area_sector(record);
        if (!card_write_at(c, sector, sav->data(), BKRAM_AREA_BYTES, "write error")) return false;
    }
    return order_write(c);
}

bool order_place(card_context *c, const std::vector<uint32_t> &order,
                 const std::map<uint32_t, uint32_t> &placed) {
    // Each new number's place in the source's listing; index discs keep
    // their block number.
    std::map<uint32_t, size_t> rank;
    for (size_t i = 0; i < order.size(); i++) {
        uint32_t n = order[i];
        auto p = placed.find(n);
        if (p != placed.end()) rank[p->second] = i;
        else if (n % CARD_DISC_SLOTS == 0) rank[n] = i;
    }
    for (uint32_t b = 0; b < c->managearea_num; b++) {
        if (!managearea_select(c, b)) return false;
        std::vector<uint32_t> records;
        for (uint32_t e = 0; e < c->disc_amount; e++) records.push_back(e);
        // Records the source does not know (those on the card before) keep
        // their places ahead of the ones placed, in record order.
        auto key = [&](uint32_t e) {
            auto r = rank.find(b * CARD_DISC_SLOTS + e);
            return r == rank.end() ? std::pair<int, size_t>(0, e) : std::pair<int, size_t>(1, r->second);
        };
        std::stable_sort(records.begin(), records.end(),
                         [&](uint32_t x, uint32_t y) { return key(x) < key(y); });
        for (uint32_t p = 0; p < records.size(); p++) c->order[p] = static_cast<uint8_t>(records[p]);
        for (uint32_t p = static_cast<uint32_t>(records.size()), e = p; p < CARD_DISC_SLOTS; p++, e++)
            c->order[p] = static_cast<uint8_t>(e);
        if (!order_write(c)) return false;
    }
    return true;
}

chain_end chain_end_of(const card_context *c) {
    chain_end end{};
    end.blocks = c->managearea_num;
    end.block = c->block;
    end.capacity = c->disc_manage_max;
    end.records = c->disc_amount;
    end.end = c->disc_amount == 0
                  ? c->block + 2
                  : uint64_t{c->block} + c->entries[c->disc_amount - 1].offset +
                        c->entries[c->disc_amount - 1].length;
    end.index_used = 1 + uint64_t{c->disc_amount > 1 ? c->disc_amount - 1 : 0} * CD_INDEX_SECTORS;
    end.used = c->used;
    end.disk_sectors = disk_sector_count(c->disk);
    end.partition_end = uint64_t{c->first_block} + c->partition_size;
    return end;
}

chain_end chain_end_fresh(uint32_t disk_sectors) {
    chain_end end{};
    end.blocks = 1;
    end.block = CARD_PARTITION1_START;
    end.capacity = managearea_capacity(disk_sectors);
    end.end = end.block + 2;
    end.used = 2;
    end.disk_sectors = disk_sectors;
    end.partition_end = disk_sectors;
    return end;
}

bool images_fit(log_sink *log, chain_end s, const std::vector<const manifest_image *> &images) {
    for (const manifest_image *g : images) {
        auto refuse = [&](const char *why) {
            log_printf(log, "the card is too small: image %u \"%s\" does not fit (%s)\n",
                       g->number, g->name.c_str(), why);
            return false;
        };
        const uint64_t index_length = index_disc_sectors(s.capacity);
        if (s.records == 0) {
            s.records = 1;
            s.end = uint64_t{s.block} + 2 + index_length;
            s.index_used = 1;
        }
        if (s.records >= s.capacity || s.index_used + index_sectors(*g) >= index_length) {
            if (s.blocks + 1 >= CARD_CHAIN_LIMIT) return refuse("the chain of blocks is full");
            if (s.end + MANAGEAREA_INIT_BYTES / 512 > s.partition_end)
                return refuse("no room for another block");
            s.capacity = managearea_capacity(s.disk_sectors - s.used);
            s.block = static_cast<uint32_t>(s.end);
            s.blocks++;
            s.used += 2;
            s.records = 1;
            s.end = uint64_t{s.block} + 2 + index_disc_sectors(s.capacity);
            s.index_used = 1;
        }
        if (s.end + area_sectors(*g) >= s.partition_end) return refuse("no room for its area");
        s.end += area_sectors(*g);
        s.index_used += index_sectors(*g);
        s.records++;
    }
    return true;
}
