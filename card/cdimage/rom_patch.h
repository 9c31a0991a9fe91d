// IPS and BPS patches applied to a HuCard ROM before it is stored, and what
// a BPS patch tells of the ROM it was made for. The format is told by the
// first bytes ("PATCH", "BPS1"), never by the file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/log.h"

uint32_t rom_crc32(const uint8_t *data, size_t n);

// *rom replaced by the patched ROM; false with *why set and *rom unchanged.
// IPS: refused when truncated or when a record reaches past ROM_SIZE_MAX
// (the largest ROM the card stores). BPS: refused unless the patch's own
// CRC-32, the source's size and CRC-32 and the result's size and CRC-32 all
// match.
bool rom_patch_apply(const uint8_t *patch, size_t n, std::vector<uint8_t> *rom, std::string *why);

// The ROM a BPS patch was made from and the ROM it makes; false for IPS or
// a patch whose own CRC-32 fails.
struct patch_ends {
    uint64_t source_size, target_size;
    uint32_t source_crc, target_crc;
};
bool rom_patch_ends(const uint8_t *patch, size_t n, patch_ends *out);

// Reads patch_file and applies it, logging the base ROM's CRC-32 and the
// result's; false with a message and *rom unchanged.
bool rom_patch_file(log_sink *log, const char *patch_file, std::vector<uint8_t> *rom);

// Where a patched file came from, for a DAT check that finds no match:
// with a BPS patch that makes exactly these bytes, the base ROM that
// lookup (CRC-32, size) names. A line to print: "patched from <title>"
// with true, or why not with false.
bool rom_patch_origin(const char *patch_file, const uint8_t *image, size_t n,
                      const std::function<const char *(uint32_t crc, uint64_t size)> &lookup,
                      std::string *line);
