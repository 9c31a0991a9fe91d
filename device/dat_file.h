// Logiqx XML DAT files (the user's own; none is shipped) and matching a ROM
// image against them by CRC-32 and size, also with a 512-byte copier header
// stripped and with the bits of every byte reversed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/title_file_name.h"

struct dat_rom {
    std::string title;  // the game's name
    uint64_t size;
    uint32_t crc;
    bool bad_dump;  // status="baddump"
};

// DATs larger than this are refused unread.
constexpr size_t DAT_MAX_BYTES = 64u << 20;

// False with *why set (not XML, truncated, entity declarations, too large).
bool dat_parse(const char *text, size_t n, std::vector<dat_rom> *roms, std::string *why);
bool dat_load(const char *path, std::vector<dat_rom> *roms, std::string *why);

enum { ROM_FORM_HEADER = 1, ROM_FORM_REVERSED = 2 };

struct dat_match {
    const dat_rom *rom;  // nullptr when nothing matched
    int form;            // ROM_FORM_* bits of the matching form
    uint32_t crc;        // of the image as given
    size_t size;
};

dat_match dat_find(const std::vector<dat_rom> &roms, const uint8_t *data, size_t n);

// "verified: <title>", a bad-dump line or "not in the DAT ..." (with the CRC).
std::string dat_match_text(const dat_match &m);
