#include "gui/card/list_rows.h"

#include <cstdio>

const char *list_kind_mark(uint8_t flags) {
    switch (flags) {
    case 0x00: return "D ";
    case 0x01: return "Dr";
    case 0x80:
    case 0x90: return "R ";
    case 0xA0:
    case 0xE0: return "Rx";
    case 0xC0:
    case 0xD0: return "Rr";
    case 0xB0:
    case 0xF0: return "R!";
    default: return (flags & 0x80) ? "R?" : "D?";
    }
}

std::string list_number_text(uint32_t image_number, uint32_t blocks) {
    char text[32];
    if (blocks <= 1)
        snprintf(text, sizeof text, "%02u", image_number);
    else
        snprintf(text, sizeof text, "%u-%02u", image_number / 100, image_number % 100);
    return text;
}

std::string list_row_text(const list_item &item, uint32_t blocks) {
    return list_number_text(item.image_number, blocks) + " " + list_kind_mark(item.flags) + " " +
           item.name;
}

std::string capacity_label(uint64_t used, uint64_t total) {
    const unsigned percent = total ? static_cast<unsigned>(used * 100 / total) : 0;
    char text[64];
    if (total < 0x200000)
        snprintf(text, sizeof text, "%u/%uMiB %u%%", static_cast<unsigned>(used / 2048),
                 static_cast<unsigned>(total / 2048), percent);
    else
        snprintf(text, sizeof text, "%4.1f/%4.1fGiB %u%%", static_cast<double>(used / 2048) / 1000,
                 static_cast<double>(total / 2048) / 1000, percent);
    return text;
}

std::string item_count_label(int selected) {
    char text[32];
    snprintf(text, sizeof text, "%d item(s)", selected);
    return text;
}

std::string bkram_row_text(uint32_t image_number, const std::string &name) {
    char number[16];
    snprintf(number, sizeof number, "%03u", image_number);
    return std::string(number) + " " + name;
}
