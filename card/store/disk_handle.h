// Physical drive access: one open card as a drive of 512-byte sectors.
// A handle belongs to the one command that opened it, on one worker thread.
#pragma once

#include <cstdint>
#include <string>

#include "core/log.h"

enum { DISK_SECTOR_SIZE = 512 };

struct disk_handle;

enum disk_open_mode {
    DISK_OPEN_WRITE = 0,  // read-write
    DISK_OPEN_LOCK = 1,   // read-write, what the system has mounted of the card unmounted first
    // Read-only for a command that only looks: a card reader is neither
    // unmounted nor held exclusively. Image files and test stores open as ever.
    DISK_OPEN_READ = 2,
};

// Opens the card behind a drive letter (first character used; a lower-case
// letter is accepted); mode: a disk_open_mode. nullptr on failure, with the
// reason in the log where there is one. Letters come from the drive table
// (card/store/drive_table.h): removable disks, card image files and, in tests,
// memory stores.
disk_handle *disk_open(log_sink *log, const char *drive, int mode);
// Flushes what is still unflushed (reporting "flush error" to the log when
// the medium refuses) and frees the handle; nullptr is ignored.
void disk_close(disk_handle *h);
// Puts everything written so far on the medium. A command calls it before it
// reports success: only then is the data known to be on the card.
bool disk_flush(disk_handle *h);
// After a new partition table was written (format): flushes and has the
// system read the table again, so it sees the new partitions. Nothing to do
// for image files. On failure *why says why.
bool disk_reread_partitions(disk_handle *h, std::string *why);

uint32_t disk_sector_count(disk_handle *h);  // low 32 bits
void disk_set_relativepoint(disk_handle *h, uint32_t base);
// Byte positions are formed in 64 bits. Any position can be set (a relative
// one only once the base is set); a transfer there fails if it runs past the
// end of the card.
bool disk_seek(disk_handle *h, uint32_t sector);
bool disk_seek_relative(disk_handle *h, uint32_t sector);
// The absolute sector the next disk_read or disk_write starts at.
uint64_t disk_position(const disk_handle *h);
// True only when the whole count (a multiple of 512) moved; transfers
// continue from where the previous one stopped.
bool disk_read(disk_handle *h, void *buffer, uint32_t bytes);
bool disk_write(disk_handle *h, const void *buffer, uint32_t bytes);
// Transfers at an absolute sector that leave the position alone, for helpers
// (such as the FAT partition's) that work beside a command's own transfers.
bool disk_read_at(disk_handle *h, uint64_t sector, void *buffer, uint32_t bytes);
bool disk_write_at(disk_handle *h, uint64_t sector, const void *buffer, uint32_t bytes);
// A read from the medium itself, past any cache (checks and probes).
bool disk_read_uncached_at(disk_handle *h, uint64_t sector, void *buffer, uint32_t bytes);
// Has the next reads of count sectors from sector come from the medium: for
// a long read in chunks, one drop before it costs one flush, not one a chunk.
bool disk_drop_cache(disk_handle *h, uint64_t sector, uint64_t count);

// Read-back verification. After disk_journal_start every successful write is
// remembered (a hash a sector); disk_journal_verify flushes, reads all of it
// back from the medium in large aligned chunks and compares, then forgets it
// and keeps remembering. Without a journal it reports SAME.
enum disk_verify_result {
    DISK_VERIFY_SAME,
    DISK_VERIFY_DIFFERENT,   // *sector: the first sector that differs
    DISK_VERIFY_UNREADABLE,  // *sector: where reading (or flushing) failed
    DISK_VERIFY_STOPPED,     // the user stopped it
};
void disk_journal_start(disk_handle *h);
disk_verify_result disk_journal_verify(disk_handle *h, uint64_t *sector);

// Bit n set for drive letter 'A'+n that is a card candidate (card image
// files and test stores in the drive table included).
uint32_t removable_drive_mask();
// Whether raw card access is allowed: root, the system's disk service on
// hand to open card readers for the user, or write permission on the card
// readers' device nodes. Card image files need no rights.
bool is_elevated();
struct drive_entry;
// Whether this process may read and write the drive's device node now;
// always true for image files and test stores.
bool drive_accessible(const drive_entry &e);
// Whether the drive is opened through the system's disk service: no rights
// on its node, and the service is there.
bool drive_via_service(const drive_entry &e);
// What the user should know about the rights the drive needs; empty when it
// opens directly.
std::string drive_rights_advice(const drive_entry &e);
