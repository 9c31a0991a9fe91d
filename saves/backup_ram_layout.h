// The console's backup RAM layout (2 KiB, mapped at 0x8000 on the console).
//
// What this code relies on, as public descriptions of the layout agree:
//   header, 16 bytes: "HUBM"; the end address, LE (0x8800); the free
//   pointer, LE, the address of the first unused byte; 8 bytes of zero.
//   Entries follow one after another from offset 0x10 up to the free pointer:
//     +0  length, LE, counting the entry's own 16-byte header;
//     +2  check value, LE: the entry's bytes from +4 to its end plus this
//         value are 0 modulo 0x10000;
//     +4  name: a 2-byte id, then 10 characters padded with spaces;
//     +16 the game's data.
//   Two zero bytes at the free pointer end the chain, so an entry needs its
//   length plus 2 bytes of room.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "saves/save_image.h"

int backup_ram_list(const std::vector<uint8_t> &image, save_listing *listing);
int backup_ram_insert(std::vector<uint8_t> *image, const std::vector<uint8_t> &entry,
                      bool replace, std::string *why);
int backup_ram_delete(std::vector<uint8_t> *image, const save_entry &entry, std::string *why);
std::vector<uint8_t> backup_ram_format();
// The check value that makes entry bytes [4, length) sum to zero with it.
uint16_t backup_ram_check_value(const uint8_t *entry, uint32_t length);
