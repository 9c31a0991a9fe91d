// The drive chooser's entries: each starts with the letter and a colon (the
// card tasks take the first character), then what identifies the drive.
#pragma once

#include <string>
#include <vector>

#include "card/store/drive_table.h"

// "E: sdb Card Reader 7.6 GiB" for a card in a reader, "Z: /cards/a.img" for
// an image file.
std::string drive_entry_text(const drive_entry &e);
// Entries of the drives that hold a card, in letter order.
std::vector<std::string> drive_entry_texts(const std::vector<drive_entry> &entries);
// The entry starting with the stored "E:" text, else 0; -1 for no entries.
int drive_entry_preselect(const std::vector<std::string> &texts, const std::string &stored);
