// Directory entries of a FAT volume: what the root listing and the file writer
// both need to know about the 32-byte entry. Internal to the FAT module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum : uint8_t {
    FAT_ATTR_VOLUME = 0x08,
    FAT_ATTR_LONG_NAME = 0x0F,  // read-only | hidden | system | volume
    FAT_ATTR_ARCHIVE = 0x20,
    FAT_ENTRY_FREE = 0xE5,
    FAT_ENTRY_END = 0x00,
    // Byte 12: base name and extension stored upper case but shown lower case.
    FAT_CASE_LOWER_BASE = 0x08,
    FAT_CASE_LOWER_EXT = 0x10,
};

inline bool fat_entry_is_long_name(const uint8_t *e) {
    return (e[11] & 0x3F) == FAT_ATTR_LONG_NAME;
}

// The checksum of an 11-byte short name that its long-name entries carry.
inline uint8_t fat_short_name_checksum(const uint8_t *name11) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; i++)
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[i]);
    return sum;
}

// "NAME    TXT" with the case flags of byte 12 applied: "name.txt".
std::string fat_short_name_text(const uint8_t *entry);

// UTF-16 name units as UTF-8, up to the first 0 unit or count units.
std::string fat_utf16_text(const uint16_t *units, size_t count);

struct fat_sector_io;
// The root listing of an exFAT volume (fat_list_root's contract); FAT_NOT_FAT
// when the volume is not exFAT either.
int exfat_list_root(const fat_sector_io *io, bool (*visit)(void *user, const char *name),
                    void *user);
