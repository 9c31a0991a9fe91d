// Texts of the image list page: one row per disc entry, the kind mark, the
// capacity label, and the rows of the backup RAM page's card list.
#pragma once

#include <cstdint>
#include <string>

// One disc entry as the card listing reports it.
struct list_item {
    uint32_t image_number = 0;  // block * 100 + record
    uint32_t offset = 0;
    uint32_t length = 0;  // 512-byte sectors
    uint8_t flags = 0;
    uint32_t config = 0;  // kind index in bits 0..7, the config word's bits 8..31
    std::string name;
};

// Two characters telling the entry's sort: "D " CD, "Dr" unswappable CD, "R "
// HuCard, "Rx", "Rr", "R!" HuCard variants, "R?" / "D?" anything else.
const char *list_kind_mark(uint8_t flags);
// "05" on a card of one block, "1-00" when the card has several.
std::string list_number_text(uint32_t image_number, uint32_t blocks);
// Number, kind mark and name, each separated by a blank.
std::string list_row_text(const list_item &item, uint32_t blocks);
// Used and total sectors as "%u/%uMiB %u%%" below 1 GiB, else in GiB with one
// decimal. total 0 (no card listed) shows 0 per cent.
std::string capacity_label(uint64_t used, uint64_t total);
// "%d item(s)".
std::string item_count_label(int selected);
// The backup RAM page's card row: "%03d %s".
std::string bkram_row_text(uint32_t image_number, const std::string &name);
