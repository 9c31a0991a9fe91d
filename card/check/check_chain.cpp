// The chain of blocks and the records in them.
#include <algorithm>
#include <cstring>

#include "card/check/check_run.h"
#include "card/imagelist/label_text.h"
#include "card/layout/disc_kind.h"
#include "core/le_bytes.h"

namespace {

bool decodes(const std::string &text) {
    const auto *p = reinterpret_cast<const uint8_t *>(text.data());
    for (size_t at = 0; at < text.size();) {
        int length = utf8_character_length(p + at, text.size() - at);
        if (length == 0) return false;
        at += static_cast<size_t>(length);
    }
    return true;
}

bool read_sector(check_run &run, uint64_t sector, void *buffer, uint32_t bytes = 512) {
    return disk_read_at(run.disk, sector, buffer, bytes);
}

// What a record's area must hold to be read at all: the name, and for the
// index disc the settings sector.
uint32_t least_length(const disc_record &r, uint32_t i) {
    uint32_t needed = disc_name_sector(r) + 1;
    return i == 0 ? std::max<uint32_t>(needed, CARD_SETTINGS_SECTOR + 1) : needed;
}

// Reads what the block's records say about themselves: the area's place,
// the name sector, the ROM configuration.
void read_records(check_run &run, checked_block &b) {
    uint64_t end = uint64_t{run.first} + run.size;
    for (uint32_t i = 0; i < b.h.disc_amount; i++) {
        checked_record &e = b.records[i];
        e.r = b.h.records[i];
        e.first = uint64_t{b.sector} + e.r.offset;
        if (e.r.offset < 2 || e.first + e.r.length > end) {
            run.record(b, i, "its area (sectors %llu to %llu) lies outside partition #1",
                       static_cast<unsigned long long>(e.first),
                       static_cast<unsigned long long>(e.first + e.r.length) - 1);
            continue;
        }
        if (e.r.length < least_length(e.r, i)) {
            run.record(b, i, "its area of %u sectors is too short to hold it", e.r.length);
            continue;
        }
        e.inside = true;
        uint8_t sector[512];
        if (e.r.flags & DISC_FLAG_HUCARD) {
            if (!read_sector(run, e.first, sector)) {
                run.record(b, i, "its ROM configuration sector %llu is unreadable",
                           static_cast<unsigned long long>(e.first));
                continue;
            }
            memcpy(e.romconfig, sector, 2);
        }
        uint64_t at = e.first + disc_name_sector(e.r);
        if (!read_sector(run, at, sector)) {
            run.record(b, i, "its name sector %llu is unreadable",
                       static_cast<unsigned long long>(at));
            continue;
        }
        const char *text = reinterpret_cast<const char *>(sector);
        e.name.assign(text, strnlen(text, sizeof sector));
        e.named = true;
    }
}

}  // namespace

void check_chain(check_run &run) {
    uint64_t end = uint64_t{run.first} + run.size;
    uint32_t s = run.first;
    for (uint32_t k = 0; s != 0; k++) {
        if (k + 1 >= CARD_CHAIN_LIMIT) {
            run.card("the chain is longer than %u blocks", CARD_CHAIN_LIMIT - 1);
            return;
        }
        checked_block b;
        b.number = k;
        b.sector = s;
        uint8_t header[MANAGEAREA_HEADER_BYTES];
        if (uint64_t{s} + 2 > end) {
            run.card("block %u at sector %u lies outside partition #1", k, s);
            return;
        }
        if (!read_sector(run, s, header, sizeof header)) {
            run.block(b, "its header at sector %u is unreadable", s);
            return;
        }
        collected_log refusal;
        if (!managearea_header_parse(refusal.sink, header, &b.h)) {
            run.block(b, "no valid block header at sector %u: %s", s, refusal.line().c_str());
            return;
        }
        b.records.resize(b.h.disc_amount);
        read_records(run, b);
        if (b.h.disc_amount > 0 && b.records[0].inside &&
            read_sector(run, b.records[0].first + CARD_SETTINGS_SECTOR, b.settings))
            b.settings_read = true;
        uint32_t next = b.h.managearea_lba_next;
        run.summary->blocks++;
        run.summary->images += b.h.disc_amount;
        run.blocks.push_back(b);
        if (next == 0) {
            run.chain_whole = true;
            return;
        }
        const disc_record *last = b.h.disc_amount ? &b.h.records[b.h.disc_amount - 1] : nullptr;
        uint64_t area_end = last ? uint64_t{s} + last->offset + last->length : uint64_t{s} + 2;
        if (next <= s || uint64_t{next} + 2 > end) {
            run.block(b, "its link to the next block (sector %u) leaves the chain", next);
            return;
        }
        if (next != area_end)
            run.block(b, "its link to the next block (sector %u) is not where its last area ends "
                         "(sector %llu)",
                      next, static_cast<unsigned long long>(area_end));
        s = next;
    }
}

void check_overlaps(check_run &run) {
    struct claim {
        uint64_t first, end;
        const checked_block *b;
        int64_t record;  // -1: the block's header
    };
    std::vector<claim> claims;
    for (const checked_block &b : run.blocks) {
        claims.push_back({b.sector, uint64_t{b.sector} + 2, &b, -1});
        for (uint32_t i = 0; i < b.records.size(); i++) {
            const checked_record &e = b.records[i];
            if (e.r.length != 0) claims.push_back({e.first, e.first + e.r.length, &b, i});
        }
    }
    std::sort(claims.begin(), claims.end(),
              [](const claim &x, const claim &y) { return x.first < y.first; });
    auto describe = [](const claim &c) {
        char text[64];
        if (c.record < 0)
            snprintf(text, sizeof text, "the header of block %u", c.b->number);
        else
            snprintf(text, sizeof text, "the area of image#%u-%02lld", c.b->number,
                     static_cast<long long>(c.record));
        return std::string(text);
    };
    // Each claim against the one before it that reaches furthest.
    size_t reach = 0;
    for (size_t k = 1; k < claims.size(); k++) {
        const claim &c = claims[k];
        const claim &before = claims[reach];
        if (c.first < before.end) {
            std::string other = describe(before);
            if (c.record >= 0)
                run.record(*c.b, static_cast<uint32_t>(c.record),
                           "its area (sectors %llu to %llu) overlaps %s",
                           static_cast<unsigned long long>(c.first),
                           static_cast<unsigned long long>(c.end - 1), other.c_str());
            else
                run.block(*c.b, "its header (sector %llu) overlaps %s",
                          static_cast<unsigned long long>(c.first), other.c_str());
        }
        if (c.end > before.end) reach = k;
    }
}

void check_records(check_run &run) {
    for (const checked_block &b : run.blocks) {
        for (uint32_t i = 0; i < b.records.size(); i++) {
            const checked_record &e = b.records[i];
            if (!e.named) continue;
            if (e.name.size() >= CARD_NAME_SIZE)
                run.record(b, i, "its name sector holds no terminating zero");
            if (!decodes(e.name))
                run.record(b, i, "its name is not UTF-8 text");
            bool rom = e.r.flags & DISC_FLAG_HUCARD;
            if (i == 0 && rom) run.record(b, i, "the index disc is marked as a HuCard ROM");
            if (rom && (e.romconfig[0] < 4 || e.romconfig[0] > 6 || e.romconfig[1] == 0))
                run.record(b, i, "its ROM configuration %02x-%02x is no known mapping and size",
                           e.romconfig[0], e.romconfig[1]);
            if (!b.settings_read) continue;
            uint32_t config = le32_get(b.settings + CARD_DISC_SLOTS + 4 * i);
            unsigned value = config & 0xFF;
            bool known = rom ? value >= 1 && value <= 12 : false;
            for (const disc_kind &k : cd_kinds)
                if (!rom && value == k.value) known = true;
            if (!known)
                run.record(b, i, "its configuration word %06x names no known %s kind", config,
                           rom ? "HuCard" : "disc");
        }
    }
}
