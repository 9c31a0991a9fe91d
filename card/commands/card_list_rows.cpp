#include <cstdio>

#include "card/commands/card_list.h"
#include "card/layout/card_layout.h"

namespace {

void on_header(void *user, uint32_t sector_count, uint32_t blocks) {
    card_list *list = static_cast<card_list *>(user);
    list->card_sectors = sector_count;
    list->blocks = blocks;
}

// Rows are finished after the header: the number form depends on the count
// of blocks, which the header gives first.
void on_entry(void *user, uint32_t image_number, uint32_t offset, uint32_t length, uint8_t flags,
              uint32_t config, const char *name) {
    card_list *list = static_cast<card_list *>(user);
    card_list_row row;
    row.image_number = image_number;
    row.offset = offset;
    row.length = length;
    row.flags = flags;
    row.config = config;
    row.name = name;
    row.number = card_list_number(image_number, list->blocks);
    row.kind_mark = card_list_kind_mark(flags);
    row.text = row.number + " " + row.kind_mark + " " + row.name;
    row.size_bytes = static_cast<uint64_t>(length) * 512;
    list->used_sectors += length;
    list->rows.push_back(row);
}

unsigned percent_of(uint64_t used_sectors, uint32_t card_sectors) {
    return card_sectors == 0 ? 0 : static_cast<unsigned>(used_sectors * 100 / card_sectors);
}

}  // namespace

const char *card_list_kind_mark(uint8_t flags) {
    switch (flags) {
        case 0x00: return "D ";
        case 0x01: return "Dr";
        case 0x80: case 0x90: return "R ";
        case 0xA0: case 0xE0: return "Rx";
        case 0xC0: case 0xD0: return "Rr";
        case 0xB0: case 0xF0: return "R!";
        default: return (flags & 0x80) != 0 ? "R?" : "D?";
    }
}

std::string card_list_number(uint32_t image_number, uint32_t blocks) {
    char text[32];
    if (blocks <= 1)
        snprintf(text, sizeof text, "%02u", image_number);
    else
        snprintf(text, sizeof text, "%u-%02u", image_number / 100, image_number % 100);
    return text;
}

std::string card_list_capacity_label(uint64_t used_sectors, uint32_t card_sectors) {
    unsigned percent = percent_of(used_sectors, card_sectors);
    char text[64];
    if (card_sectors < 0x200000)
        snprintf(text, sizeof text, "%u/%uMiB %u%%", static_cast<unsigned>(used_sectors / 2048),
                 card_sectors / 2048, percent);
    else
        snprintf(text, sizeof text, "%4.1f/%4.1fGiB %u%%",
                 static_cast<double>(used_sectors / 2048) / 1000,
                 static_cast<double>(card_sectors / 2048) / 1000, percent);
    return text;
}

bool card_list_rows(log_sink *log, const char *drive, card_list *out) {
    card_list list;
    if (!card_enumerate(log, drive, on_header, &list, on_entry, &list)) return false;
    list.percent = percent_of(list.used_sectors, list.card_sectors);
    list.capacity_label = card_list_capacity_label(list.used_sectors, list.card_sectors);
    *out = list;
    return true;
}

std::string card_list_dat_column(const std::string &dat) {
    constexpr size_t WIDTH = 10;  // "bad dump" and two blanks
    return dat + std::string(dat.size() < WIDTH ? WIDTH - dat.size() : 1, ' ');
}
