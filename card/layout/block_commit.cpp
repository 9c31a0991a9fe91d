// The block commit: the image list with the settings sector into the index
// disc, then the block header, then the listing file. The header goes last,
// behind a flush, so that a command cut short (killed, power cut, card
// pulled) leaves the previous header, which still describes a readable block.
#include <cstdio>
#include <cstring>
#include <vector>

#include "card/imagelist/list_on_card.h"
#include "card/layout/card_layout.h"
#include "core/text_copy.h"
#include "card/layout/cdlist_file.h"
#include "card/layout/card_io.h"
#include "card/layout/layout_records.h"
#include "core/le_bytes.h"

namespace {

bool block_is_writable(card_context *c) {
    if (c->disc_amount > c->disc_manage_max || c->disc_amount > CARD_DISC_SLOTS) {
        log_line(c->log, "partition management amount error");
        return false;
    }
    for (uint32_t i = 0; i < c->disc_amount; i++) {
        if (c->entries[i].length >= CARD_DISC_LENGTH_LIMIT) {
            log_printf(c->log, "disc record %u is too long for its 24-bit length\n", i);
            return false;
        }
    }
    // The renderer rewrites the index disc's first 256 stored sectors.
    if (c->disc_amount > 0 && uint64_t{c->entries[0].length} * 512 < LIST_RAW_BYTES) {
        log_line(c->log, "index disc is too short for the image list");
        return false;
    }
    return true;
}

}  // namespace

void block_list_texts(const card_context *c, std::vector<char> &texts, std::vector<uint8_t> &settings) {
    texts.assign(size_t{CARD_DISC_SLOTS} * LIST_SLOT_TEXT_SIZE, 0);
    settings.assign(CARD_SETTINGS_BYTES, 0);
    for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
        uint32_t r = c->order[p];
        char *line = &texts[size_t{p} * LIST_SLOT_TEXT_SIZE];
        if (r < c->disc_amount) {
            // Marker, then as much of the name as fits before the terminator.
            line[0] = disc_is_rom(c->entries[r]) ? '1' : '2';
            memcpy(line + 1, c->entries[r].name,
                   text_cut_utf8(c->entries[r].name, LIST_SLOT_TEXT_SIZE - 2));
        } else {
            snprintf(line, LIST_SLOT_TEXT_SIZE, "0[%02u]", r);
        }
        settings[p] = c->order[p];
        le32_put(&settings[CARD_DISC_SLOTS + 4 * p], c->entries[p].config);
    }
}

bool managearea_write(card_context *c) {
    if (!block_is_writable(c)) return false;
    uint8_t header[MANAGEAREA_HEADER_BYTES];
    if (!card_read_at(c, c->block, header, sizeof header)) return false;
    managearea_header h{};
    h.version = c->version;
    h.disc_amount = c->disc_amount;
    h.disc_manage_max = c->disc_manage_max;
    h.managearea_lba_next = c->managearea_lba_next;
    for (uint32_t i = 0; i < CARD_DISC_SLOTS; i++)
        h.records[i] = {c->entries[i].offset, c->entries[i].length, c->entries[i].flags};
    // A header that would not open again is never written.
    if (!managearea_header_check(c->log, h, c->block, c->first_block, c->partition_size))
        return false;
    managearea_header_store(h, header);

    // A block without records has no index disc to draw into.
    if (c->disc_amount > 0) {
        std::vector<char> texts;
        std::vector<uint8_t> settings;
        block_list_texts(c, texts, settings);
        disk_set_relativepoint(c->disk, c->block + c->entries[0].offset);
        if (!render_image_list(c->disk, c->log, texts.data(), CARD_DISC_SLOTS, LIST_SLOT_TEXT_SIZE,
                               settings.data(), CARD_SETTINGS_BYTES))
            return false;
    }
    if (!card_write_structure_at(c, c->block, header, sizeof header,
                                 "write error in management area"))
        return false;
    return cdlist_write(c);
}
