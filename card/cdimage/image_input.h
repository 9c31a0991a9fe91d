// What an image argument names: a HuCard ROM file (the prefix itself), a CD
// image set (prefix.img, prefix.sub and prefix.cdm or prefix.ccd), or a cue
// sheet (an argument ending in .cue, or prefix.cue when neither of the
// others is there); or any of these inside a .zip or .7z file
// (archive_input.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "core/log.h"

enum image_kind { IMAGE_ROM, IMAGE_CD };

inline constexpr int CD_SECTOR_SIZE = 2352;

// Audio samples between big-endian (MOTOROLA) and little-endian order, in
// place, over one main sector.
inline void swap_sample_bytes(uint8_t *main) {
    for (int i = 0; i < CD_SECTOR_SIZE; i += 2) {
        uint8_t first = main[i];
        main[i] = main[i + 1];
        main[i + 1] = first;
    }
}
inline constexpr int ROM_SIZE_UNIT = 8192;
inline constexpr int ROM_SIZE_MAX = 0x100000;  // banked ROMs are not supported

struct image_input {
    image_kind kind;
    uint32_t rom_size;              // IMAGE_ROM
    uint32_t sector_count;          // IMAGE_CD: sectors of the disc (prefix.img and prefix.sub)
    disc_description *description;  // owned; empty for a ROM
    cd_source *source;              // owned; IMAGE_CD only
    std::vector<uint8_t> rom = {};  // IMAGE_ROM: its bytes, rom_size of them
};

// Whether image_input_read would find any file under the prefix (a ROM, a
// file of an image set, prefix.cue or prefix.chd).
bool image_input_named(const char *prefix);

// 1 with *in filled (free with image_input_free), 0 with the reasons in the
// log.
int image_input_read(log_sink *log, const char *prefix, image_input *in);
void image_input_free(image_input *in);
