// Recognising the file systems that the root listing cannot read, by the
// signatures their tools write, so that a format never erases one unasked.
#include <cstring>

#include "card/fat/fat_root.h"
#include "core/le_bytes.h"

namespace {

struct signature {
    const char *name;
    uint32_t offset;  // bytes from the volume's start
    const char *magic;
    uint32_t length;
};

const signature signatures[] = {
    {"NTFS", 3, "NTFS    ", 8},
    {"ReFS", 3, "ReFS\0\0\0\0", 8},
    {"XFS", 0, "XFSB", 4},
    {"LUKS", 0, "LUKS\xBA\xBE", 6},
    {"squashfs", 0, "hsqs", 4},
    {"HFS+", 1024, "H+", 2},
    {"HFSX", 1024, "HX", 2},
    {"F2FS", 1024, "\x10\x20\xF5\xF2", 4},
    {"Linux swap", 4086, "SWAPSPACE2", 10},
    {"ISO 9660", 32769, "CD001", 5},
    {"Btrfs", 65600, "_BHRfS_M", 8},
};

// The ext superblock starts 1024 bytes in; its magic and feature words.
constexpr uint32_t EXT_SUPERBLOCK = 1024;
constexpr uint32_t EXT_MAGIC = 56;
constexpr uint32_t EXT_COMPAT = 92;
constexpr uint32_t EXT_INCOMPAT = 96;
constexpr uint32_t EXT_COMPAT_JOURNAL = 0x4;
// Extents, 64-bit block numbers, flexible block groups: ext4 only.
constexpr uint32_t EXT_INCOMPAT_EXT4 = 0x40 | 0x80 | 0x200;

// Reads the 512-byte sector holding byte offset into s; false past the volume
// or on a read error (*io_error set).
bool sector_at(const fat_sector_io *io, uint32_t offset, uint8_t s[512], bool *io_error) {
    uint32_t sector = offset / 512;
    if (sector >= io->sector_count) return false;
    if (!io->read(io->user, sector, s, 1)) {
        *io_error = true;
        return false;
    }
    return true;
}

bool has_magic(const fat_sector_io *io, const signature &sig, bool *io_error) {
    uint8_t s[512];
    // Every magic lies within one sector.
    if (!sector_at(io, sig.offset, s, io_error)) return false;
    return memcmp(s + sig.offset % 512, sig.magic, sig.length) == 0;
}

const char *ext_name(const fat_sector_io *io, bool *io_error) {
    uint8_t s[512];
    if (!sector_at(io, EXT_SUPERBLOCK, s, io_error)) return nullptr;
    if (le16_get(s + EXT_MAGIC) != 0xEF53) return nullptr;
    if (le32_get(s + EXT_INCOMPAT) & EXT_INCOMPAT_EXT4) return "ext4";
    return (le32_get(s + EXT_COMPAT) & EXT_COMPAT_JOURNAL) ? "ext3" : "ext2";
}

}  // namespace

int fat_foreign_volume(const fat_sector_io *io, const char **name) {
    *name = nullptr;
    bool io_error = false;
    *name = ext_name(io, &io_error);
    for (const signature &sig : signatures) {
        if (*name != nullptr || io_error) break;
        if (has_magic(io, sig, &io_error)) *name = sig.name;
    }
    if (io_error) *name = nullptr;
    return io_error ? FAT_IO_ERROR : FAT_OK;
}
