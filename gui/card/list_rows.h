// Labels of the card pages that the card listing (card_list.h) does not
// already give: the item count and the backup RAM page's card rows.
#pragma once

#include <cstdint>
#include <string>

// "%d item(s)".
std::string item_count_label(int selected);
// The backup RAM page's card row: "%03d %s".
std::string bkram_row_text(uint32_t image_number, const std::string &name);
