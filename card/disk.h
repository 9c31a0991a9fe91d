// Physical drive access: one open card as a drive of 512-byte sectors.
// A handle belongs to the one command that opened it, on one worker thread.
#pragma once

#include <cstdint>

#include "core/log.h"

enum { DISK_SECTOR_SIZE = 512 };

struct disk_handle;

// Opens the card behind a drive letter (first character used; a lower-case
// letter is accepted). lock: unmount what the system has mounted of the card
// first (format only). nullptr on failure, with the reason in the log where
// there is one.
disk_handle *disk_open(log_sink *log, const char *drive, int lock);
void disk_close(disk_handle *h);

uint32_t disk_sector_count(disk_handle *h);  // low 32 bits
void disk_set_relativepoint(disk_handle *h, uint32_t base);
// Byte positions are formed in 64 bits.
bool disk_seek(disk_handle *h, uint32_t sector);
bool disk_seek_relative(disk_handle *h, uint32_t sector);
// True only when the whole count (a multiple of 512) moved; transfers
// continue from where the previous one stopped.
bool disk_read(disk_handle *h, void *buffer, uint32_t bytes);
bool disk_write(disk_handle *h, const void *buffer, uint32_t bytes);

// Bit n set for drive letter 'A'+n that is a card candidate.
uint32_t removable_drive_mask();
bool is_elevated();
