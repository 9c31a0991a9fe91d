// Save image files in the forms emulators and the board keep them:
//   - the raw image: 2048 bytes of backup RAM, or 131072 of Memory Base;
//   - a padded backup RAM image: the 2048 bytes followed by one fill byte up
//     to a size of 4 or 8 KiB (the console maps the backup RAM in an 8 KiB
//     bank, and some emulators keep the whole bank);
//   - either of the above gzip-compressed (emulators that compress their save
//     files).
// A file is written back in the form it was read in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "saves/save_image.h"

struct save_file {
    save_kind kind = SAVE_BACKUP_RAM;
    std::vector<uint8_t> image;  // save_kind_bytes(kind) bytes
    uint32_t stored_bytes = 0;   // of the uncompressed form, padding included
    uint8_t fill = 0;            // the padding byte
    bool gzip = false;
};

// A new file of the given kind in the raw form.
save_file save_file_new(save_kind kind);
// VMK_FAILED with the reason (wrong size, bad compression, unreadable).
int save_file_decode(const std::vector<uint8_t> &bytes, save_file *out, std::string *why);
std::vector<uint8_t> save_file_encode(const save_file &file);
int save_file_load(const char *path, save_file *out, std::string *why);
// Replaces the file whole (see core/file_replace.h).
int save_file_store(const char *path, const save_file &file, std::string *why);
