#include "gui/card/list_rows.h"

#include <cstdio>

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
