// Logiqx XML DAT files (the user's own; none is shipped): HuCard ROMs matched
// by CRC-32 and size, also with a 512-byte copier header stripped and with
// the bits of every byte reversed, and the dump groups' CD entries (one .bin
// a track, with SHA-1) that discs are checked against. One DAT may hold both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/title_file_name.h"

struct dat_rom {
    std::string title;  // the game's name
    uint64_t size;
    uint32_t crc;
    bool bad_dump;  // status="baddump"
    std::string name;  // the file's name inside the game
    bool has_sha1;     // a well-formed sha1 attribute was given
    uint8_t sha1[20];
    uint32_t game;  // into dat_catalog::games
};

struct dat_game {
    std::string title;
    std::vector<uint32_t> tracks;  // its CD track entries (into roms), in DAT order
};

struct dat_catalog {
    std::vector<dat_rom> roms;
    std::vector<dat_game> games;
    std::unordered_multimap<uint64_t, uint32_t> by_size_crc;  // dat_key -> into roms
    size_t track_entries = 0;
};

// A CD track file of the dump layout: a name ending in ".bin". Anything
// else with a size and CRC counts as a HuCard ROM (a .cue entry is text,
// which no disc is compared with, and is left out).
bool dat_name_is_track(const std::string &name);
bool dat_name_is_sheet(const std::string &name);
inline uint64_t dat_key(uint64_t size, uint32_t crc) { return size * 0x100000001b3ull ^ crc; }

// DATs larger than this are refused unread.
constexpr size_t DAT_MAX_BYTES = 64u << 20;

// False with *why set (not XML, truncated, entity declarations, too large,
// a root element other than <datafile> or <mame>, no entries).
bool dat_catalog_parse(const char *text, size_t n, dat_catalog *out, std::string *why);
bool dat_catalog_load(const char *path, dat_catalog *out, std::string *why);
// The entries of that size and CRC-32, in DAT order.
std::vector<const dat_rom *> dat_lookup(const dat_catalog &c, uint64_t size, uint32_t crc);

// The entries alone, for callers that look up HuCard ROMs only.
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
