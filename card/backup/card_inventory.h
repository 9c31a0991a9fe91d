// What a card holds, as a backup describes it: every image of every block
// in chain order (kind, name, configuration, size, TOC), the listing order,
// and the backup RAM areas that hold data. Read from an open card; nothing
// of the images' bytes is read beyond their TOC.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "card/backup/backup_manifest.h"
#include "card/layout/card_layout.h"

struct card_inventory {
    backup_manifest manifest;  // without files
    std::map<uint32_t, std::vector<uint8_t>> saves;  // by image number
};

// Member names follow "images/NNNN name" and "saves/NNNN name.sav". False
// with a message.
bool card_inventory_read(card_context *c, card_inventory *out);
