// The root directory of the card's small FAT partition: listing it before a
// format, and writing the listing file into it when the partition lives inside
// a card image rather than under a mount point.
#pragma once

#include <cstdint>
#include <string>

// Sector access to one volume; sector numbers count from the volume's first
// sector, in units of 512 bytes.
struct fat_sector_io {
    void *user;
    bool (*read)(void *user, uint32_t sector, void *buffer, uint32_t count);
    bool (*write)(void *user, uint32_t sector, const void *buffer, uint32_t count);
    uint32_t sector_count;  // of the volume; nothing at or beyond it is touched
};

enum fat_status {
    FAT_OK = 0,
    FAT_NOT_FAT,      // no valid FAT boot sector (a blank partition, say)
    FAT_IO_ERROR,     // a read or write failed
    FAT_CORRUPT,      // a FAT that contradicts itself (loop in a chain, bad cluster number)
    FAT_UNSUPPORTED,  // writing anything but FAT12, or a name that is not plain 8.3
    FAT_NO_SPACE,     // no free directory entry or no contiguous run of free clusters
    FAT_NO_FILE,      // no file of that name
};

// Calls visit with every name in the root directory (the long name where one is
// stored, else the 8.3 name), volume labels and deleted entries left out, until
// visit returns false. Works on FAT12, FAT16, FAT32 and exFAT.
int fat_list_root(const fat_sector_io *io, bool (*visit)(void *user, const char *name), void *user);

// For a volume that fat_list_root found no FAT on: the name of the file system
// it holds when one is recognised by its signature ("NTFS", "ext4", ...), else
// nullptr. FAT_OK or FAT_IO_ERROR.
int fat_foreign_volume(const fat_sector_io *io, const char **name);

// Creates or replaces a file of the root directory of a FAT12 volume, in one
// run of contiguous clusters, updating every FAT copy. name is a plain 8.3 name
// ("cdlist.txt"); an all-lower-case base or extension is kept lower case the
// way other systems mark it. The data and the FATs are written before the
// directory entry.
int fat12_write_root_file(const fat_sector_io *io, const char *name, const void *data,
                          uint32_t size);
// Reads a file of the root directory of a FAT12 volume (name as above) whole
// into *data.
int fat12_read_root_file(const fat_sector_io *io, const char *name, std::string *data);
