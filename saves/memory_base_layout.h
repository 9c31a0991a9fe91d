// The Memory Base 128 layout (128 KiB in 256 sectors of 512 bytes).
//
// What this code relies on, from the one public description found of it
// (games' own use, studied from outside; parts are marked unknown there):
//   sectors 0 and 1 are a directory of 64 slots of 16 bytes;
//   slot 0 is the header: +0 a 16-bit LE sum of directory bytes 2..0x3FF,
//   +2 a "used sector count" (LE; some games leave it 0), +4 the signature
//   "ﾒﾓﾘﾍﾞｰｽ128" in the console's single-byte katakana, then two zero bytes;
//   slots 1..63 are entries until the first whose sector byte is 0:
//     +0 first sector, +1 sector count, +2 0x00, +3 0x02 (meaning unknown,
//     always so), +4 a 16-bit LE sum of the entry's data bytes,
//     +6 two zero bytes, +8 an 8-byte name.
// Not confirmed: what the used sector count counts. This code never relies
// on it when reading, and writes the sum of the entries' sectors. Where new
// data goes is not documented either: the first run of free sectors is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "saves/save_image.h"

int memory_base_list(const std::vector<uint8_t> &image, save_listing *listing);
// The blob: the 8 name bytes, then the data sectors.
int memory_base_extract(const std::vector<uint8_t> &image, const save_entry &entry,
                        std::vector<uint8_t> *blob);
int memory_base_insert(std::vector<uint8_t> *image, const std::vector<uint8_t> &blob,
                       bool replace, std::string *why);
int memory_base_delete(std::vector<uint8_t> *image, const save_entry &entry, std::string *why);
std::vector<uint8_t> memory_base_format();
